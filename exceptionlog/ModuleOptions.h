#pragma once

// The options of the exception log: one TRazuroModuleOptions per module,
// read from the module's data block, with its 96 texts (captions, labels,
// column headers and messages, English by default) and its binary stream
// in the current and the older block formats.
//
// Fields are public and carry their stored names; the setters that others
// react to (Activate, FreezeActive) are virtual. Any other change is seen
// through BeginUpdate/EndUpdate or Changed().

#include "platform/classes/Object.h"
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Types.h"

#include <array>
#include <cstdint>
#include <memory>

class TStream;
class TStringList;

/// The one-byte key XORed onto every byte of the strings of the options
/// stream and of the names in debug data of formats below 500.
inline constexpr uint8_t OptionsStringKey = 0xA7;

/// The format this code writes, and the first with the current layout.
inline constexpr Word CurrentDataVersion = 513;
inline constexpr Word FirstCurrentLayoutVersion = 500;

/// Number of the options' texts (CustomTexts).
inline constexpr int CustomTextCount = 96;

/// Flags of LogFields: one per General field of the report, 0 = Start Date
/// (1.1) .. 32 = DHCP (6.6), in report order.
inline constexpr int LogFieldCount = 33;

class TRazuroModuleOptions : public TObject {
    PRICETAGS_CLASS(TRazuroModuleOptions, TObject)
public:
    /// Defaults set, UpdateCount 0.
    explicit TRazuroModuleOptions(const AnsiString& AModuleName = AnsiString(),
                                  bool ANotifyOnChange = false);
    ~TRazuroModuleOptions() override;

    /// Called after a change when not inside BeginUpdate/EndUpdate and
    /// NotifyOnChange is set; empty here.
    virtual void OptionsChanged() {}
    virtual void SetActivate(bool Value);
    virtual void SetFreezeActive(bool Value);
    /// Copies every streamed field, both filter lists and the texts;
    /// raises Exception "Impossible to assign nil as TRazuroModuleOptions"
    /// for a null Source.
    virtual void Assign(const TRazuroModuleOptions* Source);
    /// Every default, inside one BeginUpdate/EndUpdate.
    virtual void SetDefaults();
    /// The stream of the current format.
    void SaveToStream(TStream* Stream) const;
    /// The stream in the layout of format Version (older layouts for the
    /// data of old blocks and for tests of them).
    void SaveToStream(TStream* Stream, Word Version) const;
    /// Reads the layout of format Version. Raises EReadError for data that
    /// end early or a string or count longer than the bytes left. A report
    /// limit below 1 is stored as 1.
    void LoadFromStream(TStream* Stream, Word Version);

    void BeginUpdate() { ++UpdateCount; }
    void EndUpdate();
    /// Runs the change check.
    void Changed();

    /// Text number Index (0..95); '' outside.
    [[nodiscard]] AnsiString GetCustomText(int Index) const;
    void SetCustomText(int Index, const AnsiString& Value);
    /// Stores 1 for 0 and for a negative count.
    void SetErrorsNumberToSave(Integer Value);
    [[nodiscard]] bool Activate() const { return FActivate; }
    [[nodiscard]] bool FreezeActive() const { return FFreezeActive; }
    /// Flag Index of LogFields (0..39).
    [[nodiscard]] bool LogField(int Index) const { return (LogFields >> Index) & 1; }
    void SetLogField(int Index, bool Value);

    /// Stream equality of two option sets (every streamed field and text).
    [[nodiscard]] bool SameAs(const TRazuroModuleOptions& Other) const;

    bool NotifyOnChange = false;
    Integer UpdateCount = 0;
    AnsiString SmtpFrom;
    AnsiString SmtpHost;
    AnsiString SmtpUserID;
    AnsiString SmtpPassword;
    Word SmtpPort = 25;
    Byte TerminateAction = 1;
    Integer FreezeTimeout = 60;
    AnsiString FreezeMessage;
    AnsiString ModuleName;
    /// 40 flags, bit 0 the lowest bit of the first stored byte.
    uint64_t LogFields = 0;
    std::unique_ptr<TStringList> FilterClasses;
    std::unique_ptr<TStringList> FilterMessages;
    std::array<AnsiString, CustomTextCount> CustomTexts;
    bool LegacyFlag = false;
    bool UseFilters = true;
    bool SkipLogAttachment = false;
    bool ErrorsLimitActive = true;
    bool SaveLogFile = true;
    Byte LogOptions = 0x30;
    Word SendOptions = 0x0051;
    Byte DialogStyle = 0;
    Integer ErrorsNumberToSave = 32;
    Integer ErrorsLimit = 3;
    AnsiString OutputPath;
    AnsiString EmailAddresses;
    AnsiString EmailSubject;
    AnsiString EmailMessage;
    Byte EmailSendMode = 0;
    Byte WebSendMode = 0;
    AnsiString AttachedFiles;
    Byte ExceptionDialogOptions = 0x1F;
    Integer AutoCloseDialogSecs = 0;
    AnsiString SupportURL;
    AnsiString HTMLLayout;
    Byte TerminateActionOnBurst = 1;
    Integer BurstCount = 10;
    Integer BurstMinutes = 1;
    Byte CallStackOptions = 0x0F;
    Byte BehaviourOptions = 0x30;
    AnsiString WebURL;
    Integer WebPort = 0;
    AnsiString WebCredentialA;
    AnsiString WebCredentialB;

private:
    void ReadFields(TStream* Stream, Word Version);

    bool FActivate = true;
    bool FFreezeActive = false;
};

/// Default text number Index (0..95).
[[nodiscard]] AnsiString DefaultCustomText(int Index);
/// The default web error page layout.
[[nodiscard]] AnsiString DefaultHTMLLayout();
/// The first block format whose options stream carries text number Index.
[[nodiscard]] Word CustomTextSince(int Index);

// Bits of the option sets that the report text reads.
/// LogOptions: refresh the module list at each exception; with it the
/// report writes the modules table.
inline constexpr Byte loModules = 0x10;
/// LogOptions: the report writes registers, stack and memory dump.
inline constexpr Byte loCPU = 0x20;
/// CallStackOptions: the line cell shows the offset within the line.
inline constexpr Byte csoLineOffsets = 0x10;
