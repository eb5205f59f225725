#include "NativeWindow.h"

#include <QDir>
#include <QWidget>

#include <qt_windows.h>

namespace {

HWND handleOf(QWidget* window)
{
    return reinterpret_cast<HWND>(window->winId());
}

QString versionText(DWORD high, DWORD low)
{
    return QStringLiteral("%1.%2.%3.%4").arg(HIWORD(high)).arg(LOWORD(high)).arg(HIWORD(low)).arg(LOWORD(low));
}

QList<QSize> iconGroupSizes(const QString& path, int group)
{
    QList<QSize> sizes;
    const std::wstring file = QDir::toNativeSeparators(path).toStdWString();
    HMODULE module = ::LoadLibraryExW(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module)
        return sizes;
    if (HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(group), MAKEINTRESOURCEW(14))) { // RT_GROUP_ICON
        const auto* bytes = static_cast<const BYTE*>(::LockResource(::LoadResource(module, found)));
        const int count = bytes[4] | (bytes[5] << 8);
        for (int i = 0; i < count; ++i) {
            const BYTE* entry = bytes + 6 + 14 * i; // GRPICONDIRENTRY; 0 stands for 256
            sizes << QSize(entry[0] ? entry[0] : 256, entry[1] ? entry[1] : 256);
        }
    }
    ::FreeLibrary(module);
    return sizes;
}

} // namespace

QList<NativeMenuItem> NativeSystemMenuItems(QWidget* window)
{
    QList<NativeMenuItem> items;
    HMENU menu = ::GetSystemMenu(handleOf(window), FALSE);
    const int count = menu ? ::GetMenuItemCount(menu) : 0;
    for (int i = 0; i < count; ++i) {
        wchar_t text[256] = {};
        MENUITEMINFOW info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = UINT(std::size(text));
        if (!::GetMenuItemInfoW(menu, UINT(i), TRUE, &info))
            continue;
        items << NativeMenuItem { QString::fromWCharArray(text), (info.fType & MFT_SEPARATOR) != 0, info.wID };
    }
    return items;
}

NativeFrame NativeFrameOf(QWidget* window)
{
    const LONG_PTR style = ::GetWindowLongPtrW(handleOf(window), GWL_STYLE);
    return { (style & WS_CAPTION) == WS_CAPTION, (style & WS_SYSMENU) != 0, (style & WS_MINIMIZEBOX) != 0,
        (style & WS_MAXIMIZEBOX) != 0, (style & WS_THICKFRAME) != 0 };
}

void SendSystemCommand(QWidget* window, unsigned command)
{
    ::SendMessageW(handleOf(window), WM_SYSCOMMAND, command, 0);
}

ExecutableResources ReadExecutableResources(const QString& path)
{
    ExecutableResources resources;
    const std::wstring file = QDir::toNativeSeparators(path).toStdWString();
    const DWORD size = ::GetFileVersionInfoSizeW(file.c_str(), nullptr);
    QByteArray data(int(size), '\0');
    if (size && ::GetFileVersionInfoW(file.c_str(), 0, size, data.data())) {
        void* value = nullptr;
        UINT length = 0;
        if (::VerQueryValueW(data.data(), L"\\", &value, &length) && length >= sizeof(VS_FIXEDFILEINFO)) {
            const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
            resources.fileVersion = versionText(fixed->dwFileVersionMS, fixed->dwFileVersionLS);
            resources.productVersion = versionText(fixed->dwProductVersionMS, fixed->dwProductVersionLS);
        }
        for (const char* name :
            { "FileDescription", "FileVersion", "InternalName", "OriginalFilename", "ProductName", "ProductVersion" }) {
            const std::wstring key
                = (QStringLiteral("\\StringFileInfo\\080404b0\\") + QLatin1String(name)).toStdWString();
            if (::VerQueryValueW(data.data(), key.c_str(), &value, &length) && length > 0)
                resources.strings.insert(
                    QLatin1String(name), QString::fromWCharArray(static_cast<const wchar_t*>(value)));
        }
    }
    resources.iconSizes = iconGroupSizes(path, 128);
    return resources;
}
