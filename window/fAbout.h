#pragma once
// The About box: the product, its edition and version, what it does, and where to find its
// makers. Modal; "Aceptar" closes it.
#include <QDialog>

class fAbout : public QDialog {
    Q_OBJECT
public:
    static const QString kWebSite;
    static const QString kContact;

    explicit fAbout(QWidget* parent = nullptr);

public slots:
    void Command1_Click();
};
