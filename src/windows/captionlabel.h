#pragma once
// A caption that wraps only at its blanks: the settings page's captions end in a code in
// brackets ("計測中の表示タイプ （ｔｙP）"), and Japanese line breaking may split the code
// itself ("（ｔ" / "ｙP）"). The blanks of a caption are where its writer meant it to break;
// a part wider than the label on its own still breaks where it must. The text stays the
// caption as given; only the drawing differs from a wrapping QLabel.
#include <QLabel>
#include <QStringList>

class QFontMetrics;

// The lines of text broken at its blank runs to fit width; the blanks at a break go.
QStringList wrapAtBlanks(const QString& text, const QFontMetrics& metrics, int width);

class CaptionLabel : public QLabel {
public:
    explicit CaptionLabel(const QString& text, QWidget* parent = nullptr);
    explicit CaptionLabel(QWidget* parent = nullptr) : CaptionLabel(QString(), parent) {}

    // The caption's lines as drawn in the label's present width.
    QStringList lines() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};
