#include "commandguard.h"

#include <QString>

#include "platform/error.h"
#include "platform/messages.h"

namespace karvell {

bool RunGuarded(const std::function<void()>& handler) {
    try {
        handler();
        return true;
    } catch (const KarvellError& e) {
        ShowError(e.message());
    } catch (const std::exception& e) {
        ShowError(ErrorText(e));
    } catch (...) {
        ShowError(QStringLiteral("未知错误"));
    }
    return false;
}

} // namespace karvell
