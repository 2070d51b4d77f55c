#include "window/fAbout.h"

#include "widgets/Hyperlink.h"

#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

const QString fAbout::kWebSite = QStringLiteral("https://orvalen.example.org");
const QString fAbout::kContact = QStringLiteral("consola@orvalen.example.org");

// The logo is compiled into this static library; its resources must be registered by hand.
static void initWindowResources() {
    Q_INIT_RESOURCE(window);
}

namespace {

QFrame* line(QWidget* parent, const char* name, int y) {
    auto* l = new QFrame(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setFrameShape(QFrame::HLine);
    l->setFrameShadow(QFrame::Sunken);
    l->setGeometry(12, y, 396, 2);
    return l;
}

} // namespace

fAbout::fAbout(QWidget* parent) : QDialog(parent) {
    initWindowResources();
    setObjectName(QStringLiteral("fAbout"));
    setWindowTitle(QStringLiteral("Acerca de Orvalen"));
    setFont(QFont(QStringLiteral("Tahoma"), 8));
    setModal(true);
    setFixedSize(420, 300);

    auto* Shape1 = new QFrame(this);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setFrameShape(QFrame::Box);
    Shape1->setGeometry(12, 12, 72, 72);
    auto* Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(QPixmap(QStringLiteral(":/window/orvalen_logo.gif")));
    Image1->setGeometry(16, 16, 64, 64);

    auto* Label1 = new QLabel(QStringLiteral("Orvalen"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont big(QStringLiteral("Tahoma"), 16, QFont::Bold);
    Label1->setFont(big);
    Label1->setGeometry(100, 16, 300, 32);
    auto* Label2 = new QLabel(QStringLiteral("Client Edition          v1.0"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(100, 52, 300, 20);

    line(this, "Line1", 94);
    auto* Label3 = new QLabel(
        QStringLiteral(
            "Completo visor de logs remotos via TCP/IP. La aplicación completa consta de "
            "un servicio de Windows NT/2000/XP que espera las conexiones de operarios en "
            "el puerto 5998. Se pueden ver archivos log en tiempo real de manera remota "
            "y con opciones de parsing para logs populares como archivos de log de "
            "Apache 1.x/2.x estándar."),
        this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setWordWrap(true);
    Label3->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label3->setGeometry(12, 104, 396, 90);

    auto* Hyperlink1 = new Hyperlink(this);
    Hyperlink1->setObjectName(QStringLiteral("Hyperlink1"));
    Hyperlink1->setCaption(QStringLiteral("Sitio web: ") + kWebSite);
    Hyperlink1->setURL(kWebSite);
    Hyperlink1->setGeometry(12, 200, 396, 18);
    auto* Hyperlink2 = new Hyperlink(this);
    Hyperlink2->setObjectName(QStringLiteral("Hyperlink2"));
    Hyperlink2->setCaption(QStringLiteral("Contacto: ") + kContact);
    Hyperlink2->setURL(QStringLiteral("mailto:") + kContact);
    Hyperlink2->setGeometry(12, 222, 396, 18);

    line(this, "Line2", 250);
    auto* Command1 = new QPushButton(QStringLiteral("Aceptar"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setDefault(true);
    Command1->setGeometry(320, 262, 88, 26);
    connect(Command1, &QPushButton::clicked, this, &fAbout::Command1_Click);
}

void fAbout::Command1_Click() {
    accept();
}
