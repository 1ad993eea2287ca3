#include "follow/StationRequests.h"

#include "toolkit/MiraboToolkit.h"

namespace follow {

void ApplyCategoryRequests(CKestraExtShared& shared, std::span<const CategoryRequest> requests) {
    for (const CategoryRequest& request : requests) {
        const LogCategory& category = Category(request.id);
        category.field(shared) = request.value;
        if (category.kind == CategoryKind::Stamp)
            shared.m_bDateTimeChanged = 1;
        else
            shared.QueueSwitchChange(PackChange(static_cast<uint32_t>(category.switchIndex), request.value));
    }
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
