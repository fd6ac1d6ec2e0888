#pragma once

// What the main window asks of the document builder: building and printing
// a document from a template, the template designer, printing a saved
// report file, importing templates into TXT/ and a template's document
// name. Until the builder joins the program these calls tell the operator
// plainly that printing is not connected yet.

#include "platform/rtl/AnsiString.h"

class TshInvoice;

/// Builds the document of Kind (0 price tags, 1 statement) from the
/// template TemplateName (no extension) for Invoice, previews and prints it.
void BuildDocument(int Kind, TshInvoice* Invoice, const AnsiString& TemplateName);
/// Opens the template TemplateName (no extension) in the designer.
void DesignDocument(const AnsiString& TemplateName);
/// Previews and prints a saved report file.
void OpenPrintFile(const AnsiString& FileName);
/// Copies a template file into TXT/.
void ImportTemplate(const AnsiString& FileName);
/// The document name stored in the template TemplateName; empty when none.
[[nodiscard]] AnsiString GetTemplateDocName(const AnsiString& TemplateName);
