#include "DisplayCheck.h"

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <QtGlobal>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace {

QString defaultPlatform()
{
#if defined(Q_OS_WIN)
    return QStringLiteral("windows");
#elif defined(Q_OS_DARWIN)
    return QStringLiteral("cocoa");
#else
    return QStringLiteral("wayland;xcb");
#endif
}

bool canOpen(const QString& entry, const DisplayEnvironment& environment)
{
    const QString name = entry.section(QLatin1Char(':'), 0, 0).trimmed();
    if (name.startsWith(QLatin1String("xcb")))
        return environment.x11;
    if (name.startsWith(QLatin1String("wayland")))
        return environment.wayland;
    return !name.isEmpty();
}

struct HeldMessage {
    QtMsgType type;
    QByteArray category;
    QString text;
};

QtMessageHandler s_previousHandler = nullptr;
QList<HeldMessage> s_heldMessages;

void holdOrEnd(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtFatalMsg) {
        std::fputs(kNoDisplayMessage, stderr);
        std::_Exit(1);
    }
    s_heldMessages.append({ type, context.category ? QByteArray(context.category) : QByteArray(), text });
}

} // namespace

DisplayEnvironment CurrentDisplayEnvironment(int argc, char** argv)
{
    DisplayEnvironment environment;
    environment.platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            environment.platform = QString::fromLocal8Bit(argv[i + 1]);
    }
    environment.x11 = !qEnvironmentVariableIsEmpty("DISPLAY");
    environment.wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    return environment;
}

bool CanOpenWindow(const DisplayEnvironment& environment)
{
    const QString platform = environment.platform.trimmed().isEmpty() ? defaultPlatform() : environment.platform;
    const QStringList entries = platform.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    return std::any_of(
        entries.begin(), entries.end(), [&](const QString& entry) { return canOpen(entry, environment); });
}

DisplayStartGuard::DisplayStartGuard()
{
    s_previousHandler = qInstallMessageHandler(&holdOrEnd);
}

DisplayStartGuard::~DisplayStartGuard()
{
    qInstallMessageHandler(s_previousHandler);
    const QList<HeldMessage> held = std::exchange(s_heldMessages, {});
    for (const HeldMessage& message : held) {
        const QMessageLogContext context(
            nullptr, 0, nullptr, message.category.isEmpty() ? "default" : message.category.constData());
        s_previousHandler(message.type, context, message.text);
    }
}
