// How socket errors read in the message log: the operator's Spanish wording of an error number,
// naming the host where it helps.
#include "link/SocketErrors.h"

#include <QtTest>

class tst_ErrorWording : public QObject {
    Q_OBJECT

private slots:
    void operatorDescription_data() {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("expected");
        QTest::newRow("refused") << 10061 << "127.0.0.1"
                                 << "conexión rechazada por 127.0.0.1";
        QTest::newRow("refused, no host") << 10061 << ""
                                          << "conexión rechazada";
        QTest::newRow("reset") << 10054 << "web1"
                               << "conexión cortada por web1";
        QTest::newRow("name not found") << 11001 << "web-1.example"
                                        << "no se encuentra el equipo web-1.example";
        QTest::newRow("host left out") << 10024 << "web1"
                                       << "demasiados archivos abiertos en este equipo";
        QTest::newRow("invalid operation") << 40020 << "web1"
                                           << "operación no válida en el estado actual de la "
                                              "conexión";
        QTest::newRow("unlisted") << 10059 << "web1"
                                  << "error de red";
    }
    void operatorDescription() {
        QFETCH(int, number);
        QFETCH(QString, host);
        QFETCH(QString, expected);
        QCOMPARE(ov::sck::OperatorDescription(number, host), expected);
    }
};

QTEST_MAIN(tst_ErrorWording)
#include "tst_errorwording.moc"
