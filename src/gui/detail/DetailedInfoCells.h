#pragma once

#include "DetailRow.h"

#include "core/detail/ActionItems.h"
#include "core/detail/DetailedInfoHeader.h"

class QLabel;

namespace fetemark {

class PictureWithCopy;

// The head of an occasion's page: its photo (while photos are shown), its kind, its date
// and how far off it is. Not selectable.
class DetailedInfoTopCell : public DetailRow {
    Q_OBJECT
public:
    static constexpr int HeightWithPhoto = 122;
    static constexpr int HeightWithoutPhoto = 82;

    explicit DetailedInfoTopCell(QWidget* parent = nullptr);
    void setHeader(const DetailedInfoHeader& header, const HeaderPhoto& photo, bool showPhoto);
    void applyTheme(const ApplicationTheme& theme) override;

    PictureWithCopy* photoView() const { return m_photo; }
    QLabel* typeLabel() const { return m_type; }
    QLabel* dateLabel() const { return m_date; }
    QLabel* detailLabel() const { return m_detail; }

private:
    PictureWithCopy* m_photo;
    QLabel* m_type;
    QLabel* m_date;
    QLabel* m_detail;
    ListRows::DetailStyle m_detailStyle;
};

// A block of wrapped text with an optional icon at its left: the fun facts, the notes.
class TextBlockRow : public DetailRow {
    Q_OBJECT
public:
    TextBlockRow(const QString& iconFile, QWidget* parent = nullptr);
    // `faint`: the placeholder of empty notes, at half opacity.
    void setText(const QString& text, bool faint = false);
    QLabel* label() const { return m_text; }
    void applyTheme(const ApplicationTheme& theme) override;

private:
    QLabel* m_text;
    bool m_faint = false;
};

// A row of the actions: the action's icon, its caption above the number or address.
class DetailedInfoTableViewCell : public DetailRow {
    Q_OBJECT
public:
    DetailedInfoTableViewCell(const ActionRow& row, QWidget* parent = nullptr);
    QLabel* typeLabel() const { return m_type; }
    QLabel* detailLabel() const { return m_detail; }
    QLabel* detail2Label() const { return m_detail2; }
    void applyTheme(const ApplicationTheme& theme) override;

private:
    QLabel* m_type;
    QLabel* m_detail;
    QLabel* m_detail2;
    QLabel* m_disclosure = nullptr;
};

} // namespace fetemark
