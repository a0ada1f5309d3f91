#pragma once

#include "DetailScreen.h"

#include "core/detail/NotesOptions.h"

#include <optional>

namespace fetemark {

class SettingsRow;
class ThemedSwitch;

// The notes settings: whether an occasion's page shows its notes, and where the notes of
// a contact's occasion are kept. Each choice is stored at once.
class NotesViewController : public DetailScreen {
    Q_OBJECT
public:
    explicit NotesViewController(ApplicationSession& session, QWidget* parent = nullptr);

    ThemedSwitch* showNotesSwitch() const { return m_showNotes; }
    const std::vector<SettingsRow*>& optionRows() const { return m_options; }
    // The row with the check mark, -1 when the stored value is none of the options.
    int selectedIndex() const { return m_selectedIndex; }
    void themeChanged() override;

private:
    void showNotesChanged(bool on);
    void optionChosen(int index);
    void showCheckmark();
    void store();

    std::optional<OptionList> m_list;
    ThemedSwitch* m_showNotes = nullptr;
    std::vector<SettingsRow*> m_options;
    int m_selectedIndex = -1;
};

} // namespace fetemark
