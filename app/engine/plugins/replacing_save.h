// Saves by a writer that is handed a file name (a plug-in's SAVE item): the
// writer gets a name of the target's own leaf in a fresh folder beside the
// target, and what it wrote takes the target's place only once it is whole.
// A writer that fails, writes nothing or dies half-way leaves the target as
// it was, byte for byte.
#pragma once

#include <functional>
#include <string>

namespace kx::plugins {

// Returns write's result when the file it made now stands at target (synced,
// with any other files it made beside its own moved beside the target), else
// 0. A link at target stays a link: the file it points to is replaced.
int saveReplacing(const std::string& target, const std::function<int(const std::string& path)>& write);

}  // namespace kx::plugins
