#include "windows/frmabout.h"

#include "windows/clickablelabel.h"
#include "windows/fixeddialog.h"
#include "windows/placedwidget.h"
#include "windows/prompts.h"
#include "windows/webaddress.h"

#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QUrl>

TAboutForm::TAboutForm(QWidget* owner, Prompts& prompts, const QString& webAddress)
    : QDialog(owner, kFixedDialogFlags), prompts_(prompts) {
    setObjectName(QStringLiteral("TAboutForm"));
    setWindowTitle(QStringLiteral("バージョン情報"));
    setModal(true);
    setFixedSize(clientSize);

    Image2 = placedWidget<QLabel>(QStringLiteral("Image2"), QRect(16, 16, 32, 32), this);
    Image2->setPixmap(QPixmap(QStringLiteral(":/pictures/icon32.png")));

    lblType = new QLabel(QStringLiteral("KODA Monitor "), this);
    lblType->setObjectName(QStringLiteral("lblType"));
    QFont typeFont(QStringLiteral("Noto Serif CJK JP"));
    typeFont.setStyleHint(QFont::Serif);
    typeFont.setPixelSize(24);
    typeFont.setBold(true);
    typeFont.setItalic(true);
    lblType->setFont(typeFont);
    lblType->setGeometry(64, 10, 280, 36);

    lblVersion = placedWidget<QLabel>(QStringLiteral("lblVersion"), QRect(66, 50, 130, 18), this);
    lblBuild = placedWidget<QLabel>(QStringLiteral("lblBuild"), QRect(196, 50, 150, 18), this);

    GroupBox1 = new QFrame(this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setFrameShape(QFrame::HLine);
    GroupBox1->setFrameShadow(QFrame::Sunken);
    GroupBox1->setGeometry(8, 76, clientSize.width() - 16, 4);

    Label4 = placedWidget<QLabel>(QStringLiteral("Label4"), QRect(16, 88, 330, 18),
                                  makerRightsNotice(), this);

    lblUrl = new ClickableLabel(this);
    lblUrl->setObjectName(QStringLiteral("lblUrl"));
    QFont urlFont = lblUrl->font();
    urlFont.setBold(true);
    urlFont.setUnderline(true);
    lblUrl->setFont(urlFont);
    QPalette urlPalette = lblUrl->palette();
    urlPalette.setColor(QPalette::WindowText, Qt::blue);
    lblUrl->setPalette(urlPalette);
    lblUrl->setCursor(Qt::PointingHandCursor);
    lblUrl->setGeometry(16, 112, 330, 18);
    connect(lblUrl, &ClickableLabel::clicked, this, &TAboutForm::lblUrlClick);

    imgLogo = new ClickableLabel(this);
    imgLogo->setObjectName(QStringLiteral("imgLogo"));
    imgLogo->setPixmap(QPixmap(QStringLiteral(":/pictures/logo.png")));
    imgLogo->setCursor(Qt::PointingHandCursor);
    imgLogo->setGeometry(16, 138, 120, 36);
    connect(imgLogo, &ClickableLabel::clicked, this, &TAboutForm::imgLogoClick);

    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    BitBtn1->setGeometry(clientSize.width() - 91, clientSize.height() - 35, 75, 25);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);

    lblVersion->setText(versionText());
    // The dialog opens with OK focused: Return closes it rather than opening the link.
    BitBtn1->setFocus();
    lblBuild->setText(buildText());
    if (!webAddress.isEmpty()) {
        lblUrl->setText(webAddress);
        lblUrl->show();
    } else {
        lblUrl->hide();
    }
}

void TAboutForm::lblUrlClick() {
    openAddressAndClose();
}

void TAboutForm::imgLogoClick() {
    openAddressAndClose();
}

void TAboutForm::openAddressAndClose() {
    // Without an address there is nothing to hand to the system; the click
    // still closes the dialog.
    const QString address = lblUrl->text();
    if (!address.isEmpty())
        prompts_.openUrl(address, {}); // the result is not examined
    accept();
}
