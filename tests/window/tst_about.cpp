// The About box: its texts, its two links, and "Aceptar" closing it.
#include "widgets/Hyperlink.h"
#include "window/fAbout.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

class tst_About : public QObject {
    Q_OBJECT

private slots:
    void showsTheProductAndItsLinks() {
        fAbout about;
        QCOMPARE(about.windowTitle(), QStringLiteral("Acerca de Orvalen"));
        QVERIFY(about.isModal());
        auto text = [&](const char* name) {
            return about.findChild<QLabel*>(QString::fromLatin1(name))->text();
        };
        QCOMPARE(text("Label1"), QStringLiteral("Orvalen"));
        QCOMPARE(text("Label2"), QStringLiteral("Client Edition          v1.0"));
        QVERIFY(text("Label3").startsWith(QStringLiteral("Completo visor de logs remotos")));
        QVERIFY(!about.findChild<QLabel*>(QStringLiteral("Image1"))->pixmap().isNull());

        auto* web = about.findChild<Hyperlink*>(QStringLiteral("Hyperlink1"));
        auto* mail = about.findChild<Hyperlink*>(QStringLiteral("Hyperlink2"));
        QCOMPARE(web->Caption(), QStringLiteral("Sitio web: ") + fAbout::kWebSite);
        QCOMPARE(web->URL(), fAbout::kWebSite);
        QCOMPARE(mail->Caption(), QStringLiteral("Contacto: ") + fAbout::kContact);
        QCOMPARE(mail->URL(), QStringLiteral("mailto:") + fAbout::kContact);

        about.show();
        about.grab().save(QStringLiteral(OV_BUILD_DIR "/about.png"));
        QTest::mouseClick(about.findChild<QPushButton*>(QStringLiteral("Command1")),
                          Qt::LeftButton);
        QCOMPARE(about.result(), int(QDialog::Accepted));
        QVERIFY(!about.isVisible());
    }
};

QTEST_MAIN(tst_About)
#include "tst_about.moc"
