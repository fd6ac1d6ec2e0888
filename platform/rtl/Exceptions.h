#pragma once

// The runtime's exception classes. Every failure in the program is an
// Exception carrying a CP1251 message; EAbort is the silent one that unwinds
// an operation without a message window.

#include "platform/rtl/AnsiString.h"

#include <exception>

class Exception : public std::exception {
public:
    explicit Exception(const AnsiString& Msg, int HelpCtx = 0) : Message(Msg), HelpContext(HelpCtx) {}
    ~Exception() override = default;

    /// The CP1251 bytes of Message.
    const char* what() const noexcept override { return Message.c_str(); }
    /// Name of the most derived class, for logs ("EConvertError").
    virtual const char* ClassName() const { return "Exception"; }

    AnsiString Message;
    int HelpContext = 0;
};

#define PRICETAGS_EXCEPTION(Name, Base)                                     \
    class Name : public Base {                                              \
    public:                                                                 \
        using Base::Base;                                                   \
        const char* ClassName() const override { return #Name; }            \
    }

PRICETAGS_EXCEPTION(EAbort, Exception);
PRICETAGS_EXCEPTION(EConvertError, Exception);
PRICETAGS_EXCEPTION(EListError, Exception);
PRICETAGS_EXCEPTION(EStringListError, Exception);
PRICETAGS_EXCEPTION(EStreamError, Exception);
// Reading and writing errors are filer errors, as the runtime classed them.
PRICETAGS_EXCEPTION(EFilerError, EStreamError);
PRICETAGS_EXCEPTION(EReadError, EFilerError);
PRICETAGS_EXCEPTION(EWriteError, EFilerError);
PRICETAGS_EXCEPTION(EClassNotFound, EFilerError);
PRICETAGS_EXCEPTION(EFCreateError, EStreamError);
PRICETAGS_EXCEPTION(EFOpenError, EStreamError);
PRICETAGS_EXCEPTION(EOutOfMemory, Exception);
PRICETAGS_EXCEPTION(EInOutError, Exception);
PRICETAGS_EXCEPTION(EVariantError, Exception);
PRICETAGS_EXCEPTION(EMathError, Exception);
PRICETAGS_EXCEPTION(EZeroDivide, EMathError);
PRICETAGS_EXCEPTION(EOverflow, EMathError);
PRICETAGS_EXCEPTION(EInvalidOp, EMathError);
PRICETAGS_EXCEPTION(EIntOverflow, Exception);
PRICETAGS_EXCEPTION(ERangeError, Exception);
PRICETAGS_EXCEPTION(EInvalidOperation, Exception);
PRICETAGS_EXCEPTION(EInvalidCast, Exception);
PRICETAGS_EXCEPTION(EOSError, Exception);
PRICETAGS_EXCEPTION(EComponentError, Exception);
PRICETAGS_EXCEPTION(EPropertyError, Exception);

/// Raises EAbort with the runtime's text "Operation aborted".
[[noreturn]] void Abort();
