// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the preferences reader. Whatever reads must survive
// a write and a second read unchanged.
#include "core/Preferences.h"

#include <cstdint>
#include <cstdlib>

using namespace Dartline;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const auto first = Preferences::fromJson(bytes);
    if (!first)
        return 0;
    const QByteArray written = first->toJson();
    const auto second = Preferences::fromJson(written);
    if (!second || !(*second == *first))
        std::abort();
    // Writing is deterministic for one value in one process.
    if (second->toJson().size() != written.size())
        std::abort();
    return 0;
}
