#include "ui/typed_password.h"

#include "platform/codepage.h"

#include <QByteArray>

void WipeQString(QString& text) {
    // data() detaches a shared string and would wipe only the copy; a
    // string shared with a widget is left to that widget.
    if (text.isDetached()) WipeBytes(text.data(), static_cast<std::size_t>(text.size()) * 2);
    text.clear();
}

TPassword TakePassword(QString& typed) {
    QByteArray utf8 = typed.toUtf8();
    TPassword password =
        PasswordBytes(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
    WipeBytes(utf8.data(), static_cast<std::size_t>(utf8.size()));
    WipeQString(typed);
    return password;
}
