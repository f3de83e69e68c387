#include "app/print_dispatch.h"

#include "platform/dialogs.h"

namespace cotavia {

void bbtn_importar(const PrintRequest& req) {
  if (req.choice == 0) {
    printTextWithWindows(req);
    return;
  }
  dialogs().message(QStringLiteral("A impressão gráfica ainda não está disponível."));
}

} // namespace cotavia
