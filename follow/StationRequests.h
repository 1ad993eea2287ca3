// What the follower asks of the station on every new connection: a restarted station, or one that has
// forgotten this client, starts with every switch off and no tag subscribed, so the requests are made
// again each time the worker has connected.
#pragma once

#include "follow/FollowOptions.h"
#include "link/WorkerChannel.h"
#include "state/CategoryWords.h"

#include <QStringList>

#include <span>

namespace follow {

// Sets each requested category's mirrored value and hands the change to the worker, which sends it in
// its next cycle: a switch change for the simple and OPC categories, the stamp through its own flag.
void ApplyCategoryRequests(CategoryWords& words, WorkerChannel& channel, std::span<const CategoryRequest> requests);

// Subscribes the tags on the process's active link (the worker's). Returns the names the station does
// not know; nothing is subscribed for them.
QStringList SubscribeTags(const QStringList& tags);

} // namespace follow
