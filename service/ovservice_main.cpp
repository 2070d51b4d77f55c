// ovservice: the companion log service the console talks to. It serves the log files under the
// --allow paths to several consoles at once.
//
//   ovservice [--bind ADDR] [--port N] [--allow PATH]... [--allow-client ADDR[/PREFIX]]...
//             [--max-clients N] [--greeting TEXT] [--poll-ms N]
//
// Its first line on standard output is "listening on PORT" (useful with --port 0, which lets the
// system choose); every connection event is one line on standard error.
#include "service/LogService.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

#include <csignal>

int main(int argc, char* argv[]) {
    // A console that vanishes mid-send must not end the service.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ovservice"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Serves web-server logs to the Orvalen console."));
    parser.addHelpOption();
    const QCommandLineOption bind(QStringLiteral("bind"), QStringLiteral("Address to listen on."),
                                  QStringLiteral("ADDR"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("TCP port; 0 lets the system choose."),
                                  QStringLiteral("N"), QStringLiteral("5998"));
    const QCommandLineOption allow(QStringLiteral("allow"),
                                   QStringLiteral("A log file, or a folder of them, to serve."),
                                   QStringLiteral("PATH"));
    const QCommandLineOption greeting(QStringLiteral("greeting"),
                                      QStringLiteral("Text sent with \"helo\"."),
                                      QStringLiteral("TEXT"));
    const QCommandLineOption pollMs(QStringLiteral("poll-ms"),
                                    QStringLiteral("How often the logs are checked for changes."),
                                    QStringLiteral("N"), QStringLiteral("500"));
    const QCommandLineOption allowClient(
        QStringLiteral("allow-client"),
        QStringLiteral("An address or network (IPv4 or IPv6, with /PREFIX) consoles may connect "
                       "from; repeatable. Without it, any address may."),
        QStringLiteral("ADDR[/PREFIX]"));
    const QCommandLineOption maxClients(QStringLiteral("max-clients"),
                                        QStringLiteral("Most consoles served at once."),
                                        QStringLiteral("N"), QStringLiteral("8"));
    parser.addOptions({bind, port, allow, allowClient, maxClients, greeting, pollMs});
    parser.process(app);

    QTextStream err(stderr);
    ov::service::ServiceOptions options;
    if (!options.bind.setAddress(parser.value(bind))) {
        err << "ovservice: not an address: " << parser.value(bind) << Qt::endl;
        return 2;
    }
    bool ok = false;
    const uint portValue = parser.value(port).toUInt(&ok);
    if (!ok || portValue > 65535) {
        err << "ovservice: not a port: " << parser.value(port) << Qt::endl;
        return 2;
    }
    options.port = quint16(portValue);
    const int poll = parser.value(pollMs).toInt(&ok);
    if (!ok || poll < 50) {
        err << "ovservice: --poll-ms wants a number of milliseconds from 50 on" << Qt::endl;
        return 2;
    }
    options.pollMs = poll;
    for (const QString& text : parser.values(allowClient)) {
        const auto range = ov::service::ParseClientRange(text);
        if (!range) {
            err << "ovservice: --allow-client wants an IPv4 or IPv6 address, optionally with "
                   "/PREFIX (such as 192.0.2.7 or 198.51.100.0/24): "
                << text << Qt::endl;
            return 2;
        }
        options.allowClients << *range;
    }
    options.maxClients = parser.value(maxClients).toInt(&ok);
    if (!ok || options.maxClients < 1) {
        err << "ovservice: --max-clients wants a whole number from 1 on: "
            << parser.value(maxClients) << Qt::endl;
        return 2;
    }
    options.allow = parser.values(allow);
    if (parser.isSet(greeting)) options.greeting = parser.value(greeting);
    if (options.allow.isEmpty())
        err << "ovservice: no --allow given; every log request will be refused" << Qt::endl;

    ov::service::LogService service(options);
    QString error;
    if (!service.Listen(&error)) {
        err << "ovservice: cannot listen on " << parser.value(bind) << ":" << options.port << ": "
            << error << Qt::endl;
        return 1;
    }
    QTextStream(stdout) << "listening on " << service.Port() << Qt::endl;
    return app.exec();
}
