#pragma once
// A composition the user cancelled never reaches a cell or a box. Some input-method plugins
// commit the preedit they still hold when the focus moves or the next key comes, after the
// user cancelled it with Escape: that stale commit is dropped. A commit that follows the
// clearing of its preedit at once (the way some engines commit) passes.
#include <QString>

namespace karvell {

// Installs the guard on the application, once; later calls do nothing.
void InstallCompositionGuard();

namespace CompositionGuard {
// The guard's state, for the tests: the text of the last cancelled composition (empty when
// there is none) and whether a stale commit of it would now be dropped.
QString Cancelled();
bool Armed();
} // namespace CompositionGuard

} // namespace karvell
