#include "qt/run_signals.h"

namespace soar {

RunSignals::RunSignals(const Session& session, PictureWindow& window, QObject* parent)
    : QObject(parent), session_(session), window_(window) {}

}  // namespace soar
