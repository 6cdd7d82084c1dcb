#pragma once
// Helpers for the side-window tests: the Japanese test font, a screenshot of a
// window into the test output folder, and the check that every character of
// every caption in a window has a glyph in the font that draws it.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QWidget>

namespace windowcheck {

inline QString testFontFamily() {
    return QStringLiteral("Noto Sans CJK JP");
}

inline void useTestFont() {
    QFont font(testFontFamily());
    font.setPixelSize(12);
    QApplication::setFont(font);
}

// Texts drawn by one widget (not its children).
inline QStringList textsOf(const QWidget* w) {
    QStringList texts;
    if (auto* label = qobject_cast<const QLabel*>(w))
        texts << label->text();
    else if (auto* button = qobject_cast<const QAbstractButton*>(w))
        texts << button->text();
    else if (auto* group = qobject_cast<const QGroupBox*>(w))
        texts << group->title();
    else if (auto* box = qobject_cast<const QComboBox*>(w)) {
        for (int i = 0; i < box->count(); ++i)
            texts << box->itemText(i);
    } else if (auto* edit = qobject_cast<const QLineEdit*>(w))
        texts << edit->text();
    texts.removeAll(QString());
    return texts;
}

// "name: 'c' U+XXXX" for every character without a glyph in the font of the
// widget that draws it; the window title is drawn in the application font.
inline QStringList missingGlyphs(const QWidget* window) {
    QStringList missing;
    auto check = [&missing](const QString& owner, const QString& text, const QFont& font) {
        const QFontMetrics metrics(font);
        for (const char32_t c : text.toUcs4()) {
            // Line breaks are laid out, not drawn.
            if (c != U'\n' && c != U'\r' && !metrics.inFontUcs4(c))
                missing << QStringLiteral("%1: '%2' U+%3 not in %4")
                               .arg(owner, QString::fromUcs4(&c, 1))
                               .arg(quint32(c), 4, 16, QLatin1Char('0'))
                               .arg(QFontInfo(font).family());
        }
    };
    check(QStringLiteral("window title"), window->windowTitle(), QApplication::font());
    QList<const QWidget*> widgets{window};
    for (const QWidget* child : window->findChildren<QWidget*>())
        widgets << child;
    for (const QWidget* w : widgets)
        for (const QString& text : textsOf(w))
            check(w->objectName(), text, w->font());
    return missing;
}

// $KODA_TEST_OUTPUT/screenshots/<name>.png, its folder made; empty on failure.
inline QString screenshotPath(const QString& name) {
    QString base = qEnvironmentVariable("KODA_TEST_OUTPUT");
    if (base.isEmpty())
        base = QDir::currentPath() + QStringLiteral("/test-output");
    const QString folder = base + QStringLiteral("/screenshots");
    if (!QDir().mkpath(folder))
        return {};
    return folder + QLatin1Char('/') + name + QStringLiteral(".png");
}

// Saves the window as $KODA_TEST_OUTPUT/screenshots/<name>.png; false on failure.
inline bool saveScreenshot(QWidget* window, const QString& name) {
    // A picture taken with the screen scaled (QT_SCALE_FACTOR) is named as Qt names
    // high-resolution pictures, beside the plain one.
    const QPixmap picture = window->grab();
    const qreal ratio = picture.devicePixelRatio();
    const QString suffix = ratio > 1.0 ? QStringLiteral("@%1x").arg(ratio) : QString();
    const QString path = screenshotPath(name + suffix);
    return !path.isEmpty() && picture.save(path);
}

} // namespace windowcheck
