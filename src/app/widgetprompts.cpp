#include "app/widgetprompts.h"
#include "files/urihandler.h"

#include <QApplication>
#include <QColorDialog>
#include <QDialog>
#include <QFileDialog>
#include <QGridLayout>
#include <QHeaderView>
#include <QMessageBox>
#include <QSpacerItem>
#include <QStandardPaths>
#include <QTreeView>

QWidget* WidgetPrompts::dialogParent() const {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible() && window != parent_ &&
            window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) &&
            !qobject_cast<QDialog*>(window))
            return window;
    return parent_;
}

namespace {

// The file list's columns: the size and date as wide as their headings and contents, the
// name taking the room left, so that neither a heading nor a date is cut. The type column
// goes: its texts are the system's file type names, in the system's language rather than
// the program's, and the filter already says which type is listed.
void fitFileColumns(QFileDialog& dialog) {
    auto* files = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    if (!files)
        return; // the system's own dialog
    QHeaderView* header = files->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    constexpr int typeColumn = 2;
    files->setColumnHidden(typeColumn, true);
}

} // namespace

void WidgetPrompts::keepAbove(QDialog& dialog) const {
    if (QWidget* parent = dialog.parentWidget();
        parent && parent->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
        dialog.setWindowFlag(Qt::WindowStaysOnTopHint, true);
}

std::unique_ptr<QMessageBox> WidgetPrompts::messageBox(const QString& text, const QString& caption,
                                                       Icon icon, Buttons buttons) const {
    auto box = std::make_unique<QMessageBox>(dialogParent());
    box->setWindowTitle(caption);
    // Texts come from lap files, the device and the system as well: a text that looks like
    // HTML is still shown as it is, never as markup with live links.
    box->setTextFormat(Qt::PlainText);
    // Texts keep the CR LF line ends they are written with; the box breaks lines at LF.
    box->setText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    // Indexed by Prompts::Icon and Prompts::Buttons, in their declared order.
    static constexpr QMessageBox::Icon boxIcons[] = {QMessageBox::NoIcon, QMessageBox::Information,
                                                     QMessageBox::Warning, QMessageBox::Critical,
                                                     QMessageBox::Question};
    static constexpr QMessageBox::StandardButtons boxButtons[] = {
        QMessageBox::Ok, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes | QMessageBox::Cancel,
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel};
    if (icon != Icon::None)
        box->setIcon(boxIcons[static_cast<int>(icon)]);
    box->setStandardButtons(boxButtons[static_cast<int>(buttons)]);
    // A box sized to a short text ("送信失敗") is narrower than its own caption, which
    // the window manager then cuts to a few letters: it is made wide enough for the
    // caption in a bold title font, with room for the frame's buttons.
    if (auto* grid = qobject_cast<QGridLayout*>(box->layout())) {
        QFont titleFont = box->font();
        titleFont.setBold(true);
        const int width = QFontMetrics(titleFont).horizontalAdvance(caption) + kTitleButtonsRoom;
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
    keepAbove(*box);
    return box;
}

Prompts::Answer WidgetPrompts::message(const QString& text, const QString& caption, Icon icon,
                                       Buttons buttons) {
    const auto box = messageBox(text, caption, icon, buttons);
    switch (box->exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Cancel:
        return Answer::Cancel;
    default:
        return buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
    }
}

QString WidgetPrompts::openFileName(const QString& caption, const QString& initialPath,
                                    const QString& filter, const QString& defaultSuffix) {
    QFileDialog dialog(dialogParent(), caption, initialPath, filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(defaultSuffix);
    fitFileColumns(dialog);
    keepAbove(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

std::unique_ptr<QFileDialog> WidgetPrompts::saveDialog(const QString& caption,
                                                       const QString& initialPath,
                                                       const QString& filter,
                                                       const QString& defaultSuffix) const {
    auto dialog = std::make_unique<QFileDialog>(dialogParent(), caption, initialPath, filter);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setDefaultSuffix(defaultSuffix);
    dialog->setOption(QFileDialog::DontConfirmOverwrite, false);
    fitFileColumns(*dialog);
    keepAbove(*dialog);
    return dialog;
}

QString WidgetPrompts::saveFileName(const QString& caption, const QString& initialPath,
                                    const QString& filter, const QString& defaultSuffix) {
    const auto dialog = saveDialog(caption, initialPath, filter, defaultSuffix);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return {};
    return dialog->selectedFiles().constFirst();
}

QString WidgetPrompts::folderName(const QString& caption, const QString& initialPath) {
    QFileDialog dialog(dialogParent(), caption, initialPath);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    fitFileColumns(dialog);
    keepAbove(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

std::optional<quint32> WidgetPrompts::chooseColor(quint32 initial) {
    const QColor start(int(initial & 0xFF), int((initial >> 8) & 0xFF),
                       int((initial >> 16) & 0xFF));
    const QColor chosen = QColorDialog::getColor(start, dialogParent());
    if (!chosen.isValid())
        return std::nullopt;
    return quint32(chosen.red()) | (quint32(chosen.green()) << 8) | (quint32(chosen.blue()) << 16);
}

int WidgetPrompts::runDialog(QDialog& dialog) {
    return dialog.exec();
}

void WidgetPrompts::openUrl(const QString& address, std::function<void()> failed) {
    // No fallback through QDesktopServices: its QUrl would decode and re-encode the
    // percent-encoded mail body, and it ends in xdg-open as well.
    openWithHandler(QStringLiteral("xdg-open"), address, [failed](bool ok) {
        if (!ok && failed)
            failed();
    });
}

bool WidgetPrompts::openMailWithAttachment(const QString& address, const QString& file,
                                           std::function<void()> failed) {
    // xdg-email hands the attachment to Thunderbird, Evolution, KMail and the like, and
    // drops it for a mail program that takes none.
    const QString program = QStandardPaths::findExecutable(QStringLiteral("xdg-email"));
    if (program.isEmpty())
        return false;
    openWithHandler(program, mailAttachmentArguments(address, file), [failed](bool ok) {
        if (!ok && failed)
            failed();
    });
    return true;
}
