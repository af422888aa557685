#pragma once
// The updater's levelled log: progress (1), key presses (2), failures (3).
// A settings file beside the program file ("<program>.INI", section
// "LOCAL_LOG") decides whether anything is written, how much, to which file
// or to the trace viewer, whether a new file is started each day, how many
// days of files stay and when a file is cut by size. Without that file
// nothing is written.
#include <QDate>
#include <QString>

namespace updater {

// Reads the settings for the program file `module` (its full path) and fixes
// the log file names. Called once, before the first line.
void LogOpen(const QString& module);

// Writes one line when logging is on and `level` is at most the level setting.
// Safe from several threads: the line is formatted in the call's own memory
// and reaches the file in one append.
void LogWrite(int level, const QString& source, const QString& text);

// printf-style text (UTF-8 format), formatted in a buffer of this call only.
void LogWriteFmt(int level, const QString& source, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// The settings and derived names fixed by LogOpen.
struct LogSettings {
    int level = 0;  // highest level written; 0 = nothing
    int win = 0;    // 1: lines go to the trace viewer
    QString dir;    // log directory, ends with '/'
    QString base;   // log base name
    QString ext;    // extension with its dot
    int sizeMb = 0; // cut size in MiB; 0 or less: no cut
    int date = -1;  // <0 one undated file; 0 daily; n>0 daily, n days kept
};
LogSettings logSettings();

// The file a line of `day` goes to.
QString logFileFor(const QDate& day);

// Days since a fixed origin, by the proleptic Gregorian rule; consecutive
// dates give consecutive numbers. Months outside 1..12 add no month days.
int dayNumber(int year, int month, int day);

// The leading decimal number of a text (blanks before it skipped); 0 when the
// text does not start with a digit. Settings and dates in file names are read
// this way.
int leadingNumber(QStringView text);

// The trace viewer listens on a local socket of this name; each line is one
// connection carrying the line's bytes without CR LF.
inline constexpr const char kTraceViewerName[] = "MfxTraceWindow";

} // namespace updater
