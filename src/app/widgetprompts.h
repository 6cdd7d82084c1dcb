#pragma once
#include "app/prompts.h"

#include <QPointer>
#include <QWidget>

// Prompts shown as real Qt dialogs, modal over the given parent window.
class WidgetPrompts : public Prompts {
public:
    explicit WidgetPrompts(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }

    Answer message(const QString& text, const QString& caption, Icon icon,
                   Buttons buttons) override;
    QString openFileName(const QString& caption, const QString& initialPath, const QString& filter,
                         const QString& defaultSuffix) override;
    QString saveFileName(const QString& caption, const QString& initialPath, const QString& filter,
                         const QString& defaultSuffix) override;
    std::optional<quint32> chooseColor(quint32 initial) override;
    int runDialog(QDialog& dialog) override;
    void openUrl(const QString& address, std::function<void()> failed) override;

private:
    QPointer<QWidget> m_parent;
};
