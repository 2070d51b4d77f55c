#pragma once
// The program's command line split into arguments, and its switches ("-i" or "/i", any letter
// case) found with the values that follow them. The command line is one text, as the desktop
// hands it over: arguments are separated by spaces and may be quoted.
#include <QString>
#include <QStringList>

// The command line the zero-argument functions read. Until it is set it is built from
// QCoreApplication::arguments() (see CommandLineFromArguments).
void SetCommandLine(const QString& commandLine);
QString CommandLine();

// The command-line text of arguments (the program's own name first, left out): arguments joined
// with spaces, those that hold a space or are empty put in double quotes.
QString CommandLineFromArguments(const QStringList& arguments);

// All arguments of a command line, without their quotes: a space ends a plain argument, a double
// quote opens a quoted one (spaces belong to it) that the next quote closes, a quote inside a
// plain argument is dropped, and an argument still open at the end counts.
QStringList SplitCommandLine(QStringView commandLine);

// The number of arguments. Counts are 16-bit: a line of more arguments answers 32767, and the
// arguments past the 32767th are never read (getArg cannot name them, getParmValue ignores them).
qint16 getArgCount();
qint16 getArgCount(QStringView commandLine);
// Argument n counted from 1; "" when there is no such argument.
QString getArg(qint16 n);
QString getArg(QStringView commandLine, qint16 n);

// True when switch sParm (any letter case) is on the command line. values receives the arguments
// that follow it up to the next "-" or "/" argument, and always ends with one "" element, so
// values[0] is the first value, or "" when the switch has none.
bool getParmValue(const QString& sParm, QStringList& values);
bool getParmValue(QStringView commandLine, const QString& sParm, QStringList& values);

// Grows values by one element and stores s in the element before the new last one. An empty list
// is taken as the one-element list {""}.
void addToArray(QStringList& values, const QString& s);
