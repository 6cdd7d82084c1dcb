#pragma once
// The version dialog "バージョン情報": program name, version and build, the
// maker's rights notice, and the maker's web address as a link. A click on the
// link or the logo opens the address and closes the dialog.
#include <QDialog>

class ClickableLabel;
class Prompts;
class QFrame;
class QLabel;
class QPushButton;

class TAboutForm : public QDialog {
    Q_OBJECT
public:
    static constexpr QSize clientSize{361, 182};

    static QString versionText() { return QStringLiteral("Version 1.1"); }
    static QString buildText() { return QStringLiteral("Build 110502.1155"); }

    // webAddress empty: the link is hidden.
    TAboutForm(QWidget* owner, Prompts& prompts, const QString& webAddress);

    QLabel* Image2 = nullptr;
    QLabel* lblType = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblBuild = nullptr;
    QFrame* GroupBox1 = nullptr;
    QLabel* Label4 = nullptr;
    ClickableLabel* lblUrl = nullptr;
    ClickableLabel* imgLogo = nullptr;
    QPushButton* BitBtn1 = nullptr;

public slots:
    void lblUrlClick();
    void imgLogoClick();

private:
    void openAddressAndClose();

    Prompts& prompts_;
};
