#pragma once

// The foundation library's general routine unit: dates and month names, zero
// padding, ticks, typed-in money texts, tokens and "|" fields, ini string
// lists, class tests, the program's folders and files, string search and
// editing, Variant helpers, the developer flag; the log with its replaceable
// hook, the program's own error EAppException and the one shared program ini;
// and the tagged binary stream encoding of the program's data files.
//
// Text is CP1251 (AnsiString); positions are 1-based bytes. Paths are Linux
// paths: the folder delimiter is '/', and the routines named "...Backslash"
// add or remove that delimiter.
//
// Start-up: FuncsInitialization() records the start-up folder, sets
// gDeveloperMode, builds the number character sets and installs the default
// log hook; FuncsFinalization() frees (and so writes) the program ini. Both
// nest: only the outermost pair acts. The routines that need the prepared
// state prepare it themselves when the initialisation has not run.

#include "platform/classes/Object.h"
#include "platform/classes/UpdateScope.h"
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Currency.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/StrUtils.h"
#include "platform/rtl/Types.h"
#include "platform/rtl/Variant.h"

#include <functional>
#include <initializer_list>
#include <memory>

class TCustomIniFile;
class TIniFile;
class TStream;
class TStringList;
class TStrings;

/// The program's own error: conditions its code detects and reports to the
/// user; RaiseAppError logs it first.
PRICETAGS_EXCEPTION(EAppException, Exception);

// ---- unit start-up ---------------------------------------------------------

/// Prepares the unit (see the header comment). Nested calls only count.
void FuncsInitialization();
/// Frees the program ini (writing it) and drops the cached names; only the
/// call that matches the first FuncsInitialization acts.
void FuncsFinalization();

/// True when the marker file GetStartDir() + GetExeName() + ".111" existed
/// when the unit was prepared: developer menus and diagnostics are shown.
extern bool gDeveloperMode;
/// False at start; the application sets it once its windows are restored
/// and clears it when it terminates. Window placement and the configuration
/// are saved only while it is true.
extern bool gCanSaveSettings;

/// The character sets of number input, taken from DecimalSeparator and
/// ThousandSeparator when the unit is prepared (later changes of the
/// separators are not seen). Signs "+-".
[[nodiscard]] const TCharSet& SignChars();
/// "0123456789".
[[nodiscard]] const TCharSet& DigitChars();
/// The decimal characters ".,-" and DecimalSeparator.
[[nodiscard]] const TCharSet& DecimalChars();
/// Signs, digits and decimal characters.
[[nodiscard]] const TCharSet& NumberChars();
/// " ,'" and ThousandSeparator, which CleanNumStr drops.
[[nodiscard]] const TCharSet& NumIgnoredChars();

// ---- dates -----------------------------------------------------------------

/// Day of the month 1..31 of a date-time (days since 1899-12-30).
[[nodiscard]] Integer DayOfDate(TDateTime Date);
/// Month 1..12.
[[nodiscard]] Integer MonthOfDate(TDateTime Date);
/// Year.
[[nodiscard]] Integer YearOfDate(TDateTime Date);
/// "Январь".."Декабрь"; with Genitive "января".."декабря" style forms
/// ("марта", "августа"; other months change their last letter to "я").
/// Raises EConvertError "MonthNameByNum: Неверный номер месяца [13]" for a
/// number outside 1..12.
[[nodiscard]] AnsiString MonthNameByNum(Integer Month, bool Genitive);

// ---- numbers and money texts -----------------------------------------------

/// S filled up to Len with Fill before it (AtRight false) or after it; a
/// longer S is cut to its first Len bytes.
[[nodiscard]] AnsiString PadStr(bool AtRight, const AnsiString& S, Integer Len, char Fill);
/// Zero-padded integer text of Len bytes; a negative value is "-" and its
/// magnitude padded to Len - 1. A longer text is cut to its first Len (or
/// Len - 1) digits, so fixed-width fields keep their width. The Variant must
/// hold an integer type or an integer text; anything else raises
/// EConvertError "Pad0: Неверный тип данных".
[[nodiscard]] AnsiString Pad0(const Variant& Value, Integer Len);
/// '0'..'9'.
[[nodiscard]] bool IsDigit(char C);
/// Money text typed by the operator, cleaned to an optional "-", digits and
/// at most one DecimalSeparator. "12-50" (roubles-dash-kopecks) is 12,50;
/// a sign counts as one first or after leading blanks (" -12" is -12);
/// blanks and thousands marks are dropped; of several decimal marks (".",
/// ",", "-", DecimalSeparator) that are all the same character all are
/// thousands marks and dropped, while of differing ones the last is the
/// decimal mark ("1,234.56" is 1234,56). A blank S is returned as it is;
/// '' when S is not a number text. Never raises.
[[nodiscard]] AnsiString CleanNumStr(const AnsiString& S);
/// Cleans S with CleanNumStr; with Digits >= 0 also converts it, rounds it
/// half to even to RoundDigits decimals and writes it with CurrToNumStr
/// (Digits decimals). False, S unchanged, when S or the cleaned text is
/// blank or the number does not fit Currency; otherwise S is replaced and
/// the result is true. Digits < 0 only cleans (a pure test).
bool NormalizeNumStr(AnsiString& S, Integer Digits, Integer RoundDigits);
/// As above, rounding to Digits decimals.
bool NormalizeNumStr(AnsiString& S, Integer Digits);
/// The value with ThousandSeparator between groups of three digits,
/// DecimalSeparator and Digits decimals ("1 234,50").
[[nodiscard]] AnsiString CurrToNumStr(Integer Digits, Currency Value);
/// The same with the arguments the other way round.
[[nodiscard]] AnsiString CurrToNumStr(Currency Value, Integer Digits);
/// True when Value reaches most of Total: for N < 100 the bound is
/// ((Total * 100) div N * (N - 1)) div 100, at least 1; for N >= 100 it is
/// Total. Value >= bound with OrEqual, else Value > bound. N >= 1.
[[nodiscard]] bool IsMostOf(Integer Value, Integer Total, Integer N, bool OrEqual);

// ---- ticks (the system's 32-bit millisecond counter) -----------------------

/// Distance between two tick values. When the smaller is below 0x3FFFFFFF
/// and the larger at least 0xBFFFFFFF the counter is taken to have wrapped,
/// and the distance is Lo + 4294967294 - Hi (2 ms short of the true wrap,
/// which stored deadlines are computed with).
[[nodiscard]] Cardinal TickDiff(Cardinal A, Cardinal B);
/// True when A or B is 0, or when the counter wrapped between them
/// (A < 0x3FFFFFFF, B > 0xBFFFFFFE), else A > B.
[[nodiscard]] bool TickAfter(Cardinal A, Cardinal B);
/// TickAfter(current tick, Deadline).
[[nodiscard]] bool TickPassed(Cardinal Deadline);

// ---- tokens and "|" fields -------------------------------------------------

/// Start and end (exclusive) of the N-th token of S from position Start;
/// tokens are runs of bytes not in Delims. With a Match text the first token
/// from the N-th on that equals Match ignoring case. When none is found both
/// positions are past the text; when N < 1, S is empty or Start is past the
/// text both stay at Start. Empty Delims: RaiseAppError
/// "TokenExPos: Empty Delimiters".
void TokenExPos(Integer N, Integer Start, const AnsiString& S, const AnsiString& Match,
                const AnsiString& Delims, Integer& TokStart, Integer& TokEnd);
/// The N-th token from position 1 and its positions; '' when there is none.
[[nodiscard]] AnsiString ExtractTokenPos(Integer N, const AnsiString& S, const AnsiString& Delims,
                                         Integer& TokStart, Integer& TokEnd);
/// The N-th token (from 1); '' when there is none.
[[nodiscard]] AnsiString ExtractToken(Integer N, const AnsiString& S, const AnsiString& Delims);
/// The N-th field (from 1) of a text whose fields are split by "|", "||"
/// standing for a literal "|". When that field exists and is not blank it
/// goes to Field (unescaped) and the result is true; otherwise Field is the
/// first field and the result tells whether the N-th field existed. N = 0
/// or a text shorter than 2: Field = S, result N = 1.
bool GetPipeField(const AnsiString& S, AnsiString& Field, Integer N);
/// The title (first "|" field) or the body (the text after it) of a message
/// text. Without "|": title '', body S.
[[nodiscard]] AnsiString ExtractPipePart(const AnsiString& S, bool Title);

// ---- ini string lists ------------------------------------------------------

/// Erases Section, then writes "Count", "Index" and each line quoted under
/// "S0", "S1", ...
void SaveIniStrings(TCustomIniFile& Ini, const AnsiString& Section, const TStrings& Lines,
                    Integer Index);
/// Replaces Lines by the lines saved in Section and sets Index; a missing
/// section gives no lines and Index 0. Lines null: RaiseAppError
/// "RestIniStrings".
void RestIniStrings(TCustomIniFile& Ini, const AnsiString& Section, TStrings* Lines,
                    Integer& Index);

// ---- class tests -----------------------------------------------------------

/// Index of the first non-null entry that AClass is or derives from; -1
/// when none (also for a null AClass or no entries).
[[nodiscard]] Integer ClassInArr(TClass AClass, std::initializer_list<TClass> Classes);
/// The same over objects (tested by their class; null ones skipped) and
/// class references (TVarRec::FromClass). Any other entry: RaiseAppError
/// "TypeInArr: Параметр не является объектом или классом".
[[nodiscard]] Integer TypeInArr(TClass AClass, TVarRecs Items);

// ---- folders and files -----------------------------------------------------

/// The folder that was current when the program started, with a trailing
/// '/'. Cached at the first call (which FuncsInitialization makes).
[[nodiscard]] AnsiString GetStartDir();
/// The folder of the program file, with a trailing '/'. Cached.
[[nodiscard]] AnsiString GetExeDir();
/// The program file's name without folder and extension ("pricetags").
[[nodiscard]] AnsiString GetExeName();
/// Points the start-up folder and the program name elsewhere (tests and
/// tools): the cached names, the ini and log names follow; the program ini
/// object is freed (and so written) first. An empty value keeps that one.
void SetAppLocation(const AnsiString& StartDir, const AnsiString& ExeName);
/// The file name without folder, cut before its last "." when it has one.
[[nodiscard]] AnsiString ExtractFileNameNoExt(const AnsiString& FileName);
/// Dir trimmed and with %NAME% environment references expanded, with one
/// trailing '/' added when it is not empty and lacks one.
[[nodiscard]] AnsiString IncludeBackslash(const AnsiString& Dir);
/// Dir trimmed and expanded, one trailing '/' removed.
[[nodiscard]] AnsiString ExcludeBackslash(const AnsiString& Dir);
/// S with every %NAME% of a set environment variable replaced by its value;
/// unknown names and a lone "%" stay as they are.
[[nodiscard]] AnsiString ExpandEnvStr(const AnsiString& S);
/// True when Dir names an existing folder.
[[nodiscard]] bool DirExists(const AnsiString& Dir);
/// Creates Dir and its missing parents; does not check that it worked.
/// Raises Exception "Unable to create directory" for an empty Dir.
void ForceDirs(const AnsiString& Dir);
/// ForceDirs of the expanded Dir when it does not exist.
void EnsureDir(const AnsiString& Dir);
/// Deletes every file in the mask's folder whose name matches the mask's
/// "*" and "?" pattern (ignoring case; hidden files too). With
/// ClearAttributes a read-only file is made writable first, and a failure
/// there skips the file. True when every matching file was deleted, also
/// when none matched.
bool DeleteFilesByMask(const AnsiString& Mask, bool ClearAttributes);

// ---- strings ---------------------------------------------------------------

/// Holds a string list's BeginUpdate for the scope and closes it with
/// EndUpdate on every exit, exceptions included. The list must outlive it.
using StringsUpdateScope = UpdateScope<TStrings>;

/// Position of the first Sub in S at or after From (below 1 counts as 1);
/// 0 when Sub or S is empty or Sub is not found.
[[nodiscard]] Integer PosFrom(const AnsiString& Sub, const AnsiString& S, Integer From);
/// PosFrom from 1.
[[nodiscard]] Integer PosOf(const AnsiString& Sub, const AnsiString& S);
/// Position of the last Sub in S; 0 when none.
[[nodiscard]] Integer LastPosOf(const AnsiString& Sub, const AnsiString& S);
/// Position of Sub in S, both upper-cased by the CP1251 table; 0 when absent.
[[nodiscard]] Integer PosNoCase(const AnsiString& Sub, const AnsiString& S);
/// AnsiUpperCase.
[[nodiscard]] AnsiString UpperStr(const AnsiString& S);
/// S repeated N times; '' when N < 1.
[[nodiscard]] AnsiString RepeatStr(const AnsiString& S, Integer N);
/// Every Old replaced by New, left to right, case-sensitive, inserted text
/// not searched again; an empty Old changes nothing.
[[nodiscard]] AnsiString ReplaceAll(const AnsiString& S, const AnsiString& Old,
                                    const AnsiString& New);
/// Each backslash + "n" becomes CR LF unless another backslash stands right
/// before it; the length stays.
[[nodiscard]] AnsiString UnescapeNewLines(const AnsiString& S);
/// S without the bytes that occur in Chars.
[[nodiscard]] AnsiString DeleteChars(const AnsiString& Chars, const AnsiString& S);
/// Every byte of S that occurs in Chars becomes Chars[1].
void ReplaceChars(const AnsiString& Chars, AnsiString& S);
/// How many bytes of S occur in Chars.
[[nodiscard]] Integer CountChars(const AnsiString& Chars, const AnsiString& S);
/// Adds the tokens of S to Lines (not cleared first). Without KeepDelims
/// the delimiter bytes only split; with it every run of delimiters and every
/// run of other bytes is an item, in text order. With JoinDelims a run of
/// delimiters joins the last line, and a word joins the only line when that
/// line begins with a delimiter.
void SplitStr(TStrings& Lines, const AnsiString& S, const AnsiString& Delims, bool KeepDelims,
              bool JoinDelims);
/// A new list filled by SplitStr; the caller owns it.
[[nodiscard]] std::unique_ptr<TStringList> StrToList(const AnsiString& S, const AnsiString& Delims,
                                                     bool KeepDelims, bool JoinDelims);
/// Each argument as ArgToStr gives it (NullText ''), joined by Sep, or by
/// one blank when Sep is empty.
[[nodiscard]] AnsiString ArgsToStr(TVarRecs Args, const AnsiString& Sep);
/// One argument as text: integers decimal, Booleans ".T."/".F.", floating
/// and Currency by FloatToStr, texts as they are, "Ptr= nil" / "Ptr= "
/// + hex, "Obj= null" / "Obj= " + hex, "Class= " + hex; a Variant:
/// "EmptyVariant", NullText (or "NullVariant") for Null, else its text;
/// "(Unknown)" for other kinds.
[[nodiscard]] AnsiString ArgToStr(const TVarRec& Arg, const AnsiString& NullText);
/// Upper-case hexadecimal address, at least 8 digits (more when the
/// address needs them).
[[nodiscard]] AnsiString PtrToHex(const void* P);
/// True when S holds nothing but blanks and control characters.
[[nodiscard]] bool IsBlank(const AnsiString& S);

// ---- Variants --------------------------------------------------------------

/// The Variant as text: "EmptyVariant", "NillVariant" for Null, integers
/// decimal, single/double/Currency by FloatToStr, dates by DateToStr,
/// strings as they are, "True"/"False", "UnknownVariant". Any other type
/// raises EConvertError "xStr: Ошибка преобразования в строку".
[[nodiscard]] AnsiString xStr(const Variant& V);
/// Same Variant type, or both integer types, or both of single, double and
/// Currency.
[[nodiscard]] bool IsSameVarKind(const Variant& A, const Variant& B);
/// The greater of two Variants of one kind; EConvertError
/// "Max(): Разные типы переменных" for different kinds.
[[nodiscard]] Variant Max(const Variant& A, const Variant& B);
/// The smaller; EConvertError "Min(): Разные типы переменных".
[[nodiscard]] Variant Min(const Variant& A, const Variant& B);
/// TrueValue when Cond, else FalseValue.
[[nodiscard]] Variant IIf(bool Cond, const Variant& TrueValue, const Variant& FalseValue);
/// True for -16 <= Value <= 0: no key in the keyed lists.
[[nodiscard]] bool IsNullKey(Integer Value);
/// Not IsNullKey.
[[nodiscard]] bool IsValidKey(Integer Value);

// ---- log and application errors --------------------------------------------

/// The log hook: a text (already with its kind prefix) and the kind number.
using TLogHook = void (*)(const AnsiString& Text, Integer Kind);
/// The current hook; WriteLogFile after start-up, null before.
extern TLogHook gLogHook;

/// Kinds of log entries: 0 and 1 plain, 2 "Лог.ошибка:", 3 "Ошибка:" (an
/// error that stops an operation), 4 "Предупр.:", 5 "ErrMess:" (an error
/// shown to the user), 6 "Внимание:", 7 "Запрос:" (a question), 8 "Ответ:"
/// (its answer). Kinds 2..8 quote the text after the prefix; kinds 9 and
/// above log an empty text.
///
/// Hands Text (its backslash-n pairs made line breaks) to the hook; nothing
/// when no hook is set. Never raises.
void LogMessage(const AnsiString& Text, Integer Kind);
/// Builds the kind's text and calls the hook. An error inside the hook is
/// written to stderr with the hook switched off and does not reach the
/// caller.
void CallLogHook(const AnsiString& Text, Integer Kind);
/// The default hook: appends "date time: text" CR LF to the log file, blank
/// lines dropped, continuation lines indented by a tab. The file is opened
/// and closed for each entry; raises EInOutError when it cannot be written.
void WriteLogFile(const AnsiString& Text, Integer Kind);
/// gLogHook := WriteLogFile.
void InstallDefaultLogHook();
/// The log file's full name; '' gives GetStartDir() + GetExeName() + ".log".
void SetLogFileName(const AnsiString& Name);
[[nodiscard]] AnsiString GetLogFileName();
/// Logs Text as kind 3, then raises EAppException with Text's backslash-n
/// pairs made line breaks.
[[noreturn]] void RaiseAppError(const AnsiString& Text);
/// GetStartDir() + GetExeName() + ".ini", cached.
[[nodiscard]] AnsiString GetAppIniName();
/// The one shared ini object on GetAppIniName(), created at the first call.
/// The unit owns it (callers never free it); FuncsFinalization frees it,
/// which writes the file.
[[nodiscard]] TIniFile* GetAppIniFile();

// ---- tagged stream encoding ------------------------------------------------
// Little-endian primitives over any stream, for the program's data files.
// A string is byte 6, a one-byte length and its bytes (up to 255 bytes) or
// byte 12, a 4-byte length and its bytes. Short reads and writes raise the
// stream's EReadError / EWriteError.
//
// Records: byte 0 and the header name as a string; fields, each a tag byte
// 1..253 and a value in the encoding its record kind assigns; a list as
// byte 254, a 4-byte count and that many records; byte 255 ends the record.

inline constexpr Byte StrTagShort = 6;
inline constexpr Byte StrTagLong = 12;
inline constexpr Byte TagRecordStart = 0;
inline constexpr Byte TagRecordList = 254;
inline constexpr Byte TagRecordEnd = 255;

void WriteString(TStream& Stream, const AnsiString& S);
/// Raises EReadError "ReadString: ReadError" for a tag other than 6 or 12,
/// and a load error (RaiseLoadError "Неверная длина строки") when the
/// length is negative or beyond the bytes left in the stream.
[[nodiscard]] AnsiString ReadString(TStream& Stream);
void WriteInteger(TStream& Stream, Integer Value);
[[nodiscard]] Integer ReadInteger(TStream& Stream);
void WriteByte(TStream& Stream, Byte Value);
[[nodiscard]] Byte ReadByte(TStream& Stream);
/// 0xFF for true, 0x00 for false; any non-zero byte reads as true.
void WriteBoolean(TStream& Stream, bool Value);
[[nodiscard]] bool ReadBoolean(TStream& Stream);
/// 8-byte IEEE double (also dates).
void WriteDouble(TStream& Stream, double Value);
[[nodiscard]] double ReadDouble(TStream& Stream);
/// The signed 64-bit count of 1/10000.
void WriteCurrency(TStream& Stream, Currency Value);
[[nodiscard]] Currency ReadCurrency(TStream& Stream);

/// RaiseAppError("Ошибка загрузки: " + Reason): how the record readers
/// report a file that does not load.
[[noreturn]] void RaiseLoadError(const AnsiString& Reason);
/// Byte 0 and the header name.
void WriteRecordStart(TStream& Stream, const AnsiString& Header);
/// After a tag 0: reads the header name; a different one is the load error
/// "Неверный заголовок".
void ReadRecordHeader(TStream& Stream, const AnsiString& Expected);
/// The tag 0 that opens each record of a list; any other byte is the load
/// error "Неверный заголовок" (a lone end tag is no record).
void ReadRecordStartTag(TStream& Stream);
/// Byte 254 and the count of records that follow.
void WriteRecordList(TStream& Stream, Integer Count);
/// After a tag 254: the count of records that follow; a negative count, or
/// more records than the bytes left could hold (4 bytes at least each), is
/// the load error "Неверное число записей".
[[nodiscard]] Integer ReadRecordListCount(TStream& Stream);
/// Byte 255.
void WriteRecordEnd(TStream& Stream);
/// The load error "Неверный тип параметра" for a tag the record kind does
/// not know (values carry no length, so it cannot be skipped).
[[noreturn]] void RaiseUnknownTag();

// ---- tagged data files -----------------------------------------------------
// A field of a record (its tag byte and its value), and the writing of a
// whole data file so that a failure never leaves a half-written one.

void WriteStringField(TStream& Stream, Byte Tag, const AnsiString& Value);
void WriteIntegerField(TStream& Stream, Byte Tag, Integer Value);
void WriteCurrencyField(TStream& Stream, Byte Tag, Currency Value);
void WriteBooleanField(TStream& Stream, Byte Tag, bool Value);
/// A double or a date-time (days since 1899-12-30).
void WriteDoubleField(TStream& Stream, Byte Tag, double Value);

/// Writes a data file through a temporary file beside it (FileName +
/// ".tmp"): Write fills a stream in memory; a file that already holds those
/// bytes is left untouched; otherwise the bytes are written, the file is
/// closed with its write errors raised, made durable and renamed over
/// FileName. On any failure (Write's own exceptions, a full disk, a failed
/// rename) the old file stays as it was, the temporary file is removed and
/// the error passes on.
void SaveDataFile(const AnsiString& FileName, const std::function<void(TStream&)>& Write);
