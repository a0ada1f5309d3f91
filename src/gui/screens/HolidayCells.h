#pragma once

#include "gui/detail/DetailRow.h"

class QLabel;

namespace fetemark {

// A settings row with a short value at its right, before a mark: a category with how
// many of its holidays are checked, a holiday with its next day.
class HolidayValueRow : public SettingsRow {
    Q_OBJECT
public:
    enum class Mark { None, Disclosure, Checked, Unchecked };

    HolidayValueRow(const QString& iconFile, const QString& text, QWidget* parent = nullptr);

    QLabel* valueLabel() const { return m_value; }
    // `dimmed`: drawn faint, as a value that says "not included".
    void setValue(const QString& value, bool dimmed = false);
    bool isValueDimmed() const { return m_dimmed; }
    void setMark(Mark mark);
    Mark mark() const { return m_mark; }
    void applyTheme(const ApplicationTheme& theme) override;

    // A flag or emblem under the resources' "holidays", rounded like the settings icons;
    // null when it is missing.
    static QPixmap holidayIcon(const QString& fileName);

private:
    void showMark();
    void describe();

    QLabel* m_value;
    QLabel* m_markLabel;
    const ApplicationTheme* m_theme = nullptr;
    Mark m_mark = Mark::None;
    bool m_dimmed = false;
};

} // namespace fetemark
