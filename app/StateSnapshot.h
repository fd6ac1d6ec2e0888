#pragma once

// The operator's invoice kept across a failure of the program. Between
// events (when the message loop is idle) the invoice state is copied into
// memory as the state file holds it; a failure that ends the program then
// writes the last such copy, which was taken while no command was half
// done, instead of whatever the failing command left behind.

/// Starts and stops the copies (around the message loop).
void StartStateSnapshots();
void StopStateSnapshots();

/// The program's saves before a failure ends it: the last copy of the
/// invoice state into "LastInvoice.inv" (through a temporary file, so the
/// previous file stays when the write fails) and, on the main thread, the
/// configuration into the ini file as it stands. Nothing when no copy was
/// taken.
void SaveStateAfterFailure();
