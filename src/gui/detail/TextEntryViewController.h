#pragma once

#include "gui/navigation/ViewController.h"

#include <functional>

class QPlainTextEdit;

namespace fetemark {

class ApplicationTheme;

// Edits one text over several lines (the notes of an occasion). Save hands the text to
// `onUpdate`; Back leaves it unsaved.
class TextEntryViewController : public ViewController {
    Q_OBJECT
public:
    using Update = std::function<void(TextEntryViewController& editor, const QString& text)>;

    TextEntryViewController(const ApplicationTheme& theme, const QString& title,
        const QString& text, const QString& placeholder, Update onUpdate,
        QWidget* parent = nullptr);

    QPlainTextEdit* editor() const { return m_editor; }
    QString text() const;
    // As the Save button does.
    void save();
    void viewDidAppear(bool animated) override;
    void themeChanged() override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const ApplicationTheme& m_theme;
    QPlainTextEdit* m_editor;
    Update m_onUpdate;
};

} // namespace fetemark
