#include "editor/ruler_geometry.h"

namespace ruler {

QString RulerTicks() {
    return QStringLiteral("\t|").repeated(100);
}

} // namespace ruler
