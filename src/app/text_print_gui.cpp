#include "app/print_dispatch.h"

#include "platform/dialogs.h"

namespace cotavia {

void printTextWithWindows(const PrintRequest&) {
  dialogs().message(QStringLiteral("A impressão em texto ainda não está disponível."));
}

} // namespace cotavia
