#include "settings/modCmdLineParser.h"

#include "core/text.h"

#include <QCoreApplication>
#include <optional>
#include <utility>

namespace {

// The command line set by the program; unset means "the process's own".
std::optional<QString>& storedCommandLine() {
    static std::optional<QString> line;
    return line;
}

// "-i" and "/i" are switches. On this platform absolute paths also begin with "/", so a "/" word
// counts as a switch only while it holds no further "/" and no "." (a switch name never does):
// "-i /home/ana/web.ovp" hands over the path instead of ending the values at it.
bool isSwitchStart(QStringView a) {
    if (a.startsWith(u'-')) return true;
    if (!a.startsWith(u'/')) return false;
    const QStringView rest = a.sliced(1);
    return !rest.contains(u'/') && !rest.contains(u'.');
}

} // namespace

void SetCommandLine(const QString& commandLine) {
    storedCommandLine() = commandLine;
}

QString CommandLine() {
    if (storedCommandLine()) return *storedCommandLine();
    if (!QCoreApplication::instance()) return {};
    return CommandLineFromArguments(QCoreApplication::arguments());
}

QString CommandLineFromArguments(const QStringList& arguments) {
    QString line;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (i > 1) line += u' ';
        // A quote cannot be written inside an argument; it would only be dropped when read.
        QString arg = arguments[i];
        arg.remove(u'"');
        if (arg.isEmpty() || arg.contains(u' '))
            line += u'"' + arg + u'"';
        else
            line += arg;
    }
    return line;
}

QStringList SplitCommandLine(QStringView commandLine) {
    enum class State { Outside, Plain, Quoted };
    QStringList args;
    QString current;
    State state = State::Outside;
    for (const QChar c : commandLine) {
        switch (state) {
        case State::Outside:
            if (c == u' ') break;
            if (c == u'"') {
                state = State::Quoted;
            } else {
                state = State::Plain;
                current += c;
            }
            break;
        case State::Plain:
            if (c == u' ') {
                args.append(std::exchange(current, QString()));
                state = State::Outside;
            } else if (c != u'"') {
                current += c;
            }
            break;
        case State::Quoted:
            if (c == u'"') {
                args.append(std::exchange(current, QString()));
                state = State::Outside;
            } else {
                current += c;
            }
            break;
        }
    }
    if (state != State::Outside) args.append(current);
    return args;
}

qint16 getArgCount() {
    return getArgCount(CommandLine());
}

qint16 getArgCount(QStringView commandLine) {
    const qsizetype n = SplitCommandLine(commandLine).size();
    return static_cast<qint16>(qMin<qsizetype>(n, 32767));
}

QString getArg(qint16 n) {
    return getArg(CommandLine(), n);
}

QString getArg(QStringView commandLine, qint16 n) {
    if (n < 1) return {};
    const QStringList args = SplitCommandLine(commandLine);
    return n <= args.size() ? args[n - 1] : QString();
}

bool getParmValue(const QString& sParm, QStringList& values) {
    return getParmValue(CommandLine(), sParm, values);
}

bool getParmValue(QStringView commandLine, const QString& sParm, QStringList& values) {
    values = QStringList{QString()};
    const QString wanted = sParm.toLower();
    // Split once: a long command line must not cost a scan per argument.
    const QStringList args = SplitCommandLine(commandLine);
    const qsizetype count = qMin<qsizetype>(args.size(), 32767);
    qsizetype found = -1;
    for (qsizetype i = 0; i < count; ++i) {
        const QString& a = args[i];
        if (a.size() >= 2 && isSwitchStart(a) &&
            ov::TrimSpaces(QStringView(a).sliced(1)).toString().toLower() == wanted) {
            found = i;
            break;
        }
    }
    if (found < 0) return false;
    for (qsizetype j = found + 1; j < count; ++j) {
        if (isSwitchStart(args[j])) break;
        addToArray(values, args[j]);
    }
    return true;
}

void addToArray(QStringList& values, const QString& s) {
    if (values.isEmpty()) values.append(QString());
    values.last() = s;
    values.append(QString());
}
