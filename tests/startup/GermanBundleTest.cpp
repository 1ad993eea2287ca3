// The German bundle shipped with the program: complete, consistent with the English originals, installed
// beside the program, and used by the resource lookups once loaded.
#include "app/core/Language.h"
#include "app/core/LanguageBundle.h"
#include "res/BuiltinResources.h"
#include "res/Ids.h"
#include "res/Resources.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

const QString kSourceBundle = QStringLiteral(KESTRA_SOURCE_DIR "/res/lang/de/kestra-mui.ini");

// The format specifiers of a text in order ("%s", "%d"), which the translation must keep.
QStringList Specifiers(const QString& text) {
    QStringList found;
    const QRegularExpression spec(QStringLiteral("%[sd%]"));
    for (auto it = spec.globalMatch(text); it.hasNext();)
        found << it.next().captured();
    return found;
}

// The accelerator label after the tab keeps its key (with the German name of the modifier).
QString KeyPart(const QString& menuText) {
    const qsizetype tab = menuText.indexOf(u'\t');
    return tab < 0 ? QString() : menuText.mid(tab + 1).replace(QStringLiteral("Strg"), QStringLiteral("Ctrl"))
                                     .replace(QStringLiteral("Entf"), QStringLiteral("Del"));
}

class GermanBundle : public ::testing::Test {
protected:
    void SetUp() override {
        QString error;
        m_bundle = LanguageBundle::Load(kSourceBundle, &error);
        ASSERT_TRUE(m_bundle) << error.toStdString();
    }
    std::unique_ptr<LanguageBundle> m_bundle;
};

} // namespace

TEST_F(GermanBundle, TranslatesEveryStringKeepingItsSpecifiers) {
    for (const auto& [id, english] : res::builtin::Strings()) {
        QString german;
        ASSERT_TRUE(m_bundle->FindString(id, &german)) << "string " << id;
        EXPECT_FALSE(german.isEmpty()) << "string " << id;
        EXPECT_EQ(Specifiers(german), Specifiers(english)) << "string " << id;
        EXPECT_EQ(german.startsWith(u' '), english.startsWith(u' ')) << "string " << id;
    }
    EXPECT_EQ(m_bundle->StringCount(), res::builtin::Strings().size()); // nothing unknown
}

TEST_F(GermanBundle, TranslatesEveryMenuText) {
    const QList<res::MenuItem>& bar = res::builtin::MainMenu();
    size_t entries = 0;
    for (int position = 0; position < bar.size(); ++position) {
        QString german;
        ASSERT_TRUE(m_bundle->FindMenuText(res::PopupKey(position), &german)) << "popup " << position;
        ++entries;
        for (const res::MenuItem& item : bar[position].children) {
            if (item.separator)
                continue;
            ASSERT_TRUE(m_bundle->FindMenuText(item.id, &german)) << "command " << item.id;
            EXPECT_EQ(KeyPart(german), KeyPart(item.text)) << "command " << item.id;
            ++entries;
        }
    }
    EXPECT_EQ(m_bundle->MenuTextCount(), entries);
}

TEST_F(GermanBundle, MnemonicsStayUniqueWithinEachMenu) {
    const QList<res::MenuItem> bar = [this] {
        res::SetCurrentModule(m_bundle.get());
        QList<res::MenuItem> menu = res::Menu(ids::IDR_MAINFRAME);
        res::SetCurrentModule(nullptr);
        return menu;
    }();
    const auto mnemonic = [](const QString& text) {
        const qsizetype amp = text.indexOf(u'&');
        return amp >= 0 && amp + 1 < text.size() ? text[amp + 1].toLower() : QChar();
    };
    QList<QChar> popups;
    for (const res::MenuItem& popup : bar) {
        EXPECT_FALSE(popups.contains(mnemonic(popup.text))) << popup.text.toStdString();
        popups << mnemonic(popup.text);
        QList<QChar> seen;
        for (const res::MenuItem& item : popup.children) {
            const QChar m = mnemonic(item.text);
            if (item.separator || m.isNull())
                continue;
            EXPECT_FALSE(seen.contains(m)) << item.text.toStdString();
            seen << m;
        }
    }
}

TEST_F(GermanBundle, TranslatesEveryDialogText) {
    for (const auto& [id, dialog] : res::builtin::Dialogs()) {
        QString german;
        EXPECT_TRUE(m_bundle->FindDialogCaption(id, &german)) << "dialog " << id;
        for (int index = 0; index < dialog.controls.size(); ++index) {
            if (dialog.controls[index].text.isEmpty())
                continue;
            EXPECT_TRUE(m_bundle->FindDialogText(id, index, &german)) << "dialog " << id << " control " << index;
        }
    }
}

TEST_F(GermanBundle, IsInstalledBesideTheProgramAndUsedForLookups) {
    const QString installed = QStringLiteral(KESTRA_BIN_DIR "/de/kestra-mui.ini");
    ASSERT_TRUE(QFileInfo::exists(installed));
    const res::ResourceModule* module = nullptr;
    LoadLanguageModule(QStringLiteral("de-DE"), QStringLiteral(KESTRA_BIN_DIR "/kestra"), &module);
    ASSERT_NE(module, res::OwnModule());
    res::SetCurrentModule(module);
    const QList<res::MenuItem> menu = res::Menu(ids::IDR_MAINFRAME);
    EXPECT_EQ(menu.value(0).text, QStringLiteral("&Datei"));
    EXPECT_EQ(menu.value(2).children.value(0).text, QStringLiteral("&Rezept-/Berichtsbefehle"));
    EXPECT_EQ(res::Dialog(ids::IDD_CHECK_CREDENTIAL).controls.value(1).text, QStringLiteral("Abbrechen"));
    EXPECT_EQ(res::FormatString(ids::IDS_CONNECTING, {QStringLiteral("host%d")}),
              QStringLiteral("Verbindung zu host%d wird hergestellt ..."));
    res::SetCurrentModule(nullptr);
    FreeLanguageModule(&module);
    EXPECT_EQ(res::Menu(ids::IDR_MAINFRAME).value(0).text, QStringLiteral("&File"));
}
