#include "app/SystemInfo.h"

#ifdef Q_OS_WIN

#include "app/core/MainView.h"

#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>

namespace tarnwell::app {

namespace {

// The registry is only read here; asking for write access as well would fail for every user
// without administrator rights.
constexpr REGSAM QueryAccess = KEY_READ;
constexpr DWORD ValueCapacity = 1024;

} // namespace

bool GetKeyValue(HKEY KeyRoot, const QString& KeyName, const QString& SubKeyRef, QString& KeyVal)
{
    KeyVal.clear();
    HKEY key = nullptr;
    if (RegOpenKeyExW(KeyRoot, reinterpret_cast<LPCWSTR>(KeyName.utf16()), 0, QueryAccess, &key) !=
        ERROR_SUCCESS)
        return false;

    wchar_t buffer[ValueCapacity];
    DWORD type = 0;
    DWORD bytes = sizeof(buffer);
    const LONG queried = RegQueryValueExW(key, reinterpret_cast<LPCWSTR>(SubKeyRef.utf16()),
                                          nullptr, &type, reinterpret_cast<LPBYTE>(buffer), &bytes);
    RegCloseKey(key);
    if (queried != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;

    // The stored length may or may not count the terminating NUL.
    qsizetype length = static_cast<qsizetype>(bytes / sizeof(wchar_t));
    if (length > 0 && buffer[length - 1] == L'\0')
        --length;
    KeyVal = QString::fromWCharArray(buffer, length);
    return true;
}

void StartSysInfo(QWidget* parent)
{
    QString path;
    if (!GetKeyValue(HKEY_LOCAL_MACHINE,
                     QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"),
                     QStringLiteral("PATH"), path)) {
        QString folder;
        if (GetKeyValue(HKEY_LOCAL_MACHINE,
                        QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location"),
                        QStringLiteral("MSINFO"), folder) &&
            QFileInfo::exists(folder + QStringLiteral("\\MSINFO32.EXE")))
            path = folder + QStringLiteral("\\MSINFO32.EXE");
    }
    if (path.isEmpty() || !QProcess::startDetached(path, {})) {
        QMessageBox::information(parent, ApplicationTitle,
                                 QStringLiteral("System Information Is Unavailable At This Time"));
    }
}

} // namespace tarnwell::app

#endif
