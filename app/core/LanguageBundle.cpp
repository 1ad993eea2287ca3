// Reading and checking language bundle files.
#include "app/core/LanguageBundle.h"

#include <QCoreApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QStringDecoder>

namespace {

enum class Section { None, Bundle, Strings, Menu, Dialog };

// A non-negative decimal number that fits an int, nothing else.
bool ParseId(QStringView text, int* id) {
    if (text.isEmpty() || text.size() > 9)
        return false;
    int value = 0;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
        value = value * 10 + (c.unicode() - u'0');
    }
    *id = value;
    return true;
}

// Removes one pair of surrounding double quotes and decodes the escapes. False on an unknown escape.
bool DecodeValue(QStringView raw, QString* text) {
    QStringView value = raw.trimmed();
    if (value.size() >= 2 && value.front() == u'"' && value.back() == u'"')
        value = value.sliced(1, value.size() - 2);
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c != u'\\') {
            out += c;
            continue;
        }
        if (++i >= value.size())
            return false;
        switch (value[i].unicode()) {
        case u'n': out += u'\n'; break;
        case u't': out += u'\t'; break;
        case u'\\': out += u'\\'; break;
        case u'"': out += u'"'; break;
        default: return false;
        }
    }
    *text = out;
    return true;
}

bool Fail(QString* error, const QString& why) {
    if (error)
        *error = why;
    return false;
}

} // namespace

std::unique_ptr<LanguageBundle> LanguageBundle::Load(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Fail(error, QStringLiteral("cannot open ") + path);
        return nullptr;
    }
    if (file.size() > kMaxBytes) {
        Fail(error, QStringLiteral("too large"));
        return nullptr;
    }
    const QByteArray bytes = file.read(kMaxBytes + 1);
    if (bytes.size() > kMaxBytes) {
        Fail(error, QStringLiteral("too large"));
        return nullptr;
    }
    return Parse(bytes, error);
}

std::unique_ptr<LanguageBundle> LanguageBundle::Parse(const QByteArray& bytes, QString* error) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString content = decoder.decode(bytes);
    if (decoder.hasError()) {
        Fail(error, QStringLiteral("not UTF-8"));
        return nullptr;
    }
    if (content.startsWith(QChar(0xFEFF)))
        content.remove(0, 1);

    std::unique_ptr<LanguageBundle> bundle(new LanguageBundle());
    Section section = Section::None;
    int dialogId = 0;
    bool formatSeen = false;
    int lineNumber = 0;
    const auto bad = [&](const char* why) {
        Fail(error, QStringLiteral("line %1: %2").arg(lineNumber).arg(QString::fromLatin1(why)));
        return nullptr;
    };

    for (QStringView line : QStringView(content).tokenize(u'\n')) {
        ++lineNumber;
        line = line.trimmed(); // also drops a CR before the line feed
        if (line.isEmpty() || line.front() == u';' || line.front() == u'#')
            continue;
        if (line.front() == u'[') {
            if (line.back() != u']')
                return bad("unterminated section name");
            const QStringView name = line.sliced(1, line.size() - 2).trimmed();
            if (name.compare(u"Bundle", Qt::CaseInsensitive) == 0) {
                section = Section::Bundle;
            } else if (!formatSeen) {
                return bad("the [Bundle] header with Format=1 must come first");
            } else if (name.compare(u"Strings", Qt::CaseInsensitive) == 0) {
                section = Section::Strings;
            } else if (name.compare(u"Menu", Qt::CaseInsensitive) == 0) {
                section = Section::Menu;
            } else if (name.size() > 7 && name.first(7).compare(u"Dialog ", Qt::CaseInsensitive) == 0 &&
                       ParseId(name.sliced(7).trimmed(), &dialogId)) {
                section = Section::Dialog;
            } else {
                return bad("unknown section");
            }
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0)
            return bad("not a key=value line");
        const QStringView key = line.first(equals).trimmed();
        QString text;
        if (!DecodeValue(line.sliced(equals + 1), &text))
            return bad("unknown escape");
        int id = 0;
        switch (section) {
        case Section::None:
            return bad("entry outside a section");
        case Section::Bundle:
            if (key.compare(u"Format", Qt::CaseInsensitive) == 0) {
                if (text != QStringLiteral("1"))
                    return bad("unsupported format");
                formatSeen = true;
            } else if (key.compare(u"Culture", Qt::CaseInsensitive) == 0) {
                bundle->m_culture = text;
            } else {
                return bad("unknown key in [Bundle]");
            }
            break;
        case Section::Strings:
            if (!ParseId(key, &id))
                return bad("string id is not a number");
            bundle->m_strings.emplace(id, text);
            break;
        case Section::Menu:
            if (key.size() > 5 && key.first(5).compare(u"Popup", Qt::CaseInsensitive) == 0 &&
                ParseId(key.sliced(5), &id) && id < 0x10000) {
                bundle->m_menu.emplace(res::PopupKey(id), text);
            } else if (ParseId(key, &id) && id < 0x10000) {
                bundle->m_menu.emplace(id, text);
            } else {
                return bad("menu key is neither a command id nor PopupN");
            }
            break;
        case Section::Dialog:
            if (key.compare(u"Caption", Qt::CaseInsensitive) == 0)
                bundle->m_captions.emplace(dialogId, text);
            else if (ParseId(key, &id))
                bundle->m_dialogTexts.emplace(std::make_pair(dialogId, id), text);
            else
                return bad("dialog key is neither Caption nor a control index");
            break;
        }
    }
    if (!formatSeen) {
        Fail(error, QStringLiteral("no [Bundle] header with Format=1"));
        return nullptr;
    }
    return bundle;
}

namespace {
template <typename Map, typename Key> bool FindIn(const Map& map, const Key& key, QString* text) {
    const auto it = map.find(key);
    if (it == map.end())
        return false;
    *text = it->second;
    return true;
}
} // namespace

bool LanguageBundle::FindString(int id, QString* text) const { return FindIn(m_strings, id, text); }

bool LanguageBundle::FindMenuText(int commandOrPopupKey, QString* text) const {
    return FindIn(m_menu, commandOrPopupKey, text);
}

bool LanguageBundle::FindDialogCaption(int dialogId, QString* text) const {
    return FindIn(m_captions, dialogId, text);
}

bool LanguageBundle::FindDialogText(int dialogId, int controlIndex, QString* text) const {
    return FindIn(m_dialogTexts, std::make_pair(dialogId, controlIndex), text);
}

bool LanguageBundle::LoadQtTranslations(const QString& culture) {
    if (culture.isEmpty() || !QCoreApplication::instance())
        return false;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QStringLiteral("qtbase_") + QString(culture).replace(u'-', u'_'),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    QCoreApplication::installTranslator(translator.get());
    m_qtTranslations = std::move(translator); // removed from the application when it goes
    return true;
}
