// The project's tags, one a line in tags.txt: "name | type | behaviour | description".
//   type:      Integer, Real, Boolean or String
//   behaviour: how the simulated value moves on every simulator step:
//              const VALUE...        never changes
//              sine MIN MAX PERIOD   a sine wave of PERIOD steps
//              ramp MIN MAX STEP     climbs by STEP, back to MIN after MAX
//              random MIN MAX        a fresh random value each step
//              walk MIN MAX STEP     a random walk of at most STEP per step
//              toggle [EVERY]        0 and 1 in turn, every EVERY steps (default 1)
//              cycle A B C...        the listed texts in turn
//              counter [STEP]        counts up by STEP (default 1)
// Blank lines and lines starting with '#' are ignored. A tag's id is its 1-based position among the tags.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>

namespace logd {

struct Tag {
    int id = 0;
    QString name;
    QString type;
    QString description;
    QString behaviour;
    QString value; // current value as text

    // Simulation state.
    QString kind;
    QStringList args;
    double number = 0;
    int64_t step = 0;
};

class TagTable {
public:
    bool load(const QString& path, QStringList* warnings);
    const QList<Tag>& tags() const { return m_tags; }
    // The tag whose name equals `name` without regard to case, else nullptr.
    const Tag* find(const QString& name) const;
    const Tag* byId(int id) const;
    // Advances every tag's simulated value by one step; returns the ids of the tags whose value changed.
    QList<int> step();

    // Parses one line; false with a reason when it is malformed.
    static bool parseLine(const QString& line, Tag* tag, QString* reason);

private:
    QList<Tag> m_tags;
};

} // namespace logd
