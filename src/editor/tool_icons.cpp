#include "editor/tool_icons.h"

QIcon ToolIcon(const QString& themeName, const QString& ours) {
    const QIcon own(QStringLiteral(":/icons/%1.svg").arg(ours));
    return QIcon::fromTheme(themeName, own);
}
