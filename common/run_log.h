// The log that administrators ask for with /LOG=path: one line per step and
// its outcome, in the program's language, single-byte text. Each line is
// written through to the disk before the next step, so that a run that is
// ended half-way leaves what it did until then.
#pragma once

#include <windows.h>

// Creates (or replaces) the log file. False when it cannot be created.
bool LogOpen(const char* path);
void LogClose();
bool LogActive();

// One line, formatted as FormatText does (bounded); line breaks inside it
// become blanks. Does nothing without a log.
void LogLine(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The words of the line that records a message box ("Message 1003 (system
// error 0): text"), which each program sets in its own language.
extern const char* g_logMessageWord;
extern const char* g_logSystemErrorWords;

// While true, ShowMessage shows no box: it writes the message to the log and
// returns 0. Set for unattended runs, whose steps never ask a question.
extern bool g_messagesQuiet;

// A message box of a fixed text, not from the string table: logged, and not
// shown (0) while messages are quiet, as ShowMessage.
int PlainMessageBox(HWND owner, const char* text, const char* caption, UINT style);
