#include "platform/ExceptionDisplay.h"

#include "platform/MessageBox.h"

#include <QString>

namespace platform {

void ShowException(std::exception_ptr exception) {
    try {
        std::rethrow_exception(exception);
    } catch (const EAbort&) {
    } catch (const std::exception& e) {
        ShowError(QString::fromUtf8(e.what()));
    } catch (...) {
        ShowError(QStringLiteral("Errore imprevisto"));
    }
}

bool RunGuarded(const std::function<void()>& handler) {
    try {
        handler();
        return true;
    } catch (...) {
        ShowException(std::current_exception());
        return false;
    }
}

} // namespace platform
