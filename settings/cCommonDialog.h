#pragma once
// The open and save file dialogs, called the way the console's menu commands call them: in/out
// arguments by reference, a "|"-separated filter of description and pattern pairs, Windows-style
// dialog flags. The dialog itself is reached through the desktop seam (core/ui_seam.h).
#include <QString>

class QWidget;

class cCommonDialog {
public:
    // The dialogs stand over owner (none: the desktop seam's owner window).
    explicit cCommonDialog(QWidget* owner = nullptr) : m_owner(owner) {}

    // Dialog flag bits understood by the wrapper.
    static constexpr qint32 kReadOnly = 0x1;
    static constexpr qint32 kOverwritePrompt = 0x2;
    static constexpr qint32 kHideReadOnly = 0x4;
    static constexpr qint32 kAllowMultiSelect = 0x200;
    static constexpr qint32 kFileMustExist = 0x1000;

    // True when a file was chosen: Filename is its path, FileTitle its name, Filter the chosen
    // entry ("description", NUL, "pattern"), flags the dialog's flags. Cancelled: Filename,
    // FileTitle and Filter empty, flags 0, FilterIndex -1, and false. Owner, a window handle, has
    // no meaning here: the dialogs stand over the window given to the constructor.
    bool VBGetOpenFileName(QString& Filename, QString& FileTitle, bool FileMustExist,
                           bool MultiSelect, bool& ReadOnly, bool HideReadOnly, QString& Filter,
                           qint32& FilterIndex, const QString& InitDir, const QString& DlgTitle,
                           const QString& DefaultExt, qint32 Owner, qint32& flags) const;
    bool VBGetSaveFileName(QString& Filename, QString& FileTitle, bool OverWritePrompt,
                           QString& Filter, qint32& FilterIndex, const QString& InitDir,
                           const QString& DlgTitle, const QString& DefaultExt, qint32 Owner,
                           qint32& flags) const;

private:
    QWidget* m_owner;
};

// "Logs|*.log;*.txt|Todos|*.*" -> "Logs (*.log *.txt);;Todos (*.*)". Both "|" and ":" separate
// the items; a description left without a pattern is dropped.
QString ToQtFilter(const QString& filter);
