#include "logview/logic/SaveOnDiskRules.h"

#include "res/Ids.h"

namespace {

// The edit is read up to 255 characters; only whether it holds any matters.
bool HoldsText(const QString& text) {
    return !text.left(255).isEmpty();
}

} // namespace

void SaveOnDiskRules::Open() {
    switch (m_type) {
    case 0:
        ChooseDisable();
        break;
    case 1:
        ChooseDate();
        break;
    case 2:
        ChooseCustom();
        break;
    default:
        break;
    }
}

void SaveOnDiskRules::Choose(int type, int radio) {
    m_type = type;
    m_controls.checkedRadio = radio;
}

void SaveOnDiskRules::ChooseDisable() {
    Choose(0, ids::IDC_RADIO_DISABLE);
    m_controls.okEnabled = true;
    m_controls.fileNameEnabled = false;
}

void SaveOnDiskRules::ChooseDate() {
    Choose(1, ids::IDC_RADIO_DATE);
    m_controls.okEnabled = true;
    m_controls.fileNameEnabled = false;
}

void SaveOnDiskRules::ChooseCustom() {
    Choose(2, ids::IDC_RADIO_CUSTOM);
    // The member, not the edit: it still holds the name the dialog was opened with.
    m_controls.okEnabled = !m_fileName.isEmpty();
    m_controls.fileNameEnabled = true;
}

void SaveOnDiskRules::EditChanged(const QString& editText) {
    m_controls.okEnabled = HoldsText(editText);
}
