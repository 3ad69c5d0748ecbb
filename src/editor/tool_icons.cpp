#include "editor/tool_icons.h"

// The icons live in the application library's resources, which a static
// library registers only when asked.
static void RegisterIcons() {
    static const bool once = [] {
        Q_INIT_RESOURCE(dayscrib);
        return true;
    }();
    (void)once;
}

QIcon ToolIcon(const QString& themeName, const QString& ours) {
    RegisterIcons();
    const QIcon own(QStringLiteral(":/icons/%1.svg").arg(ours));
    return QIcon::fromTheme(themeName, own);
}
