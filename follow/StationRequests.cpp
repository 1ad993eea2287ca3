#include "follow/StationRequests.h"

#include "toolkit/MiraboToolkit.h"

namespace follow {

void ApplyCategoryRequests(CategoryWords& words, WorkerChannel& channel, std::span<const CategoryRequest> requests) {
    for (const CategoryRequest& request : requests)
        RequestCategory(words, channel, request.id, request.value);
}

QStringList SubscribeTags(const QStringList& tags) {
    QStringList unknown;
    for (const QString& tag : tags) {
        MiraboTagRef ref;
        if (TagParse(&ref, tag) != 0)
            TagLogEnable(tag, 1);
        else
            unknown << tag;
    }
    return unknown;
}

} // namespace follow
