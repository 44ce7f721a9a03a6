// Windows only: StartSysInfo, which starts the system-information program Windows registers, and
// the registry reads behind it. The registry is real; a small program stands in for the
// system-information one (SysInfoStandIn.cpp).
//
// The tests set the values Windows keeps under HKEY_LOCAL_MACHINE and put back what was there
// afterwards. Writing there needs administrator rights, which a wine prefix gives.

#include "app/SystemInfo.h"

#include "support/QtPrinters.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <vector>

using namespace tarnwell;

namespace {

const QString MsinfoKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString LocationKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
const QString Unavailable = QStringLiteral("System Information Is Unavailable At This Time");

LPCWSTR wide(const QString& text)
{
    return reinterpret_cast<LPCWSTR>(text.utf16());
}

// One value of the registry, set or removed for the life of a test and then put back as it was.
class RegistryValue
{
public:
    RegistryValue(HKEY root, QString key, QString name)
        : m_root(root), m_key(std::move(key)), m_name(std::move(name))
    {
        HKEY handle = nullptr;
        m_keyExisted = RegOpenKeyExW(m_root, wide(m_key), 0, KEY_READ, &handle) == ERROR_SUCCESS;
        if (!m_keyExisted)
            return;
        DWORD type = 0;
        DWORD bytes = 0;
        if (RegQueryValueExW(handle, wide(m_name), nullptr, &type, nullptr, &bytes) ==
            ERROR_SUCCESS) {
            std::vector<BYTE> data(bytes);
            if (RegQueryValueExW(handle, wide(m_name), nullptr, &type, data.data(), &bytes) ==
                ERROR_SUCCESS)
                m_before = Saved{type, std::move(data)};
        }
        RegCloseKey(handle);
    }

    ~RegistryValue()
    {
        if (!m_changed)
            return;
        if (m_before)
            write(m_before->type, m_before->data.data(), DWORD(m_before->data.size()));
        else
            remove();
        if (!m_keyExisted)
            RegDeleteKeyW(m_root, wide(m_key));
    }

    RegistryValue(const RegistryValue&) = delete;
    RegistryValue& operator=(const RegistryValue&) = delete;

    // `bytes` as stored; by default the text with its terminating NUL, as Windows' own tools
    // store it.
    void set(const QString& text, DWORD type = REG_SZ)
    {
        set(type, text.utf16(), DWORD((text.size() + 1) * sizeof(char16_t)));
    }

    void set(DWORD type, const void* data, DWORD bytes)
    {
        m_changed = true;
        ASSERT_TRUE(write(type, data, bytes))
            << "cannot write " << m_key.toStdString() << " " << m_name.toStdString()
            << " (the tests need administrator rights, as in a wine prefix)";
    }

    void remove()
    {
        m_changed = true;
        HKEY handle = nullptr;
        if (RegOpenKeyExW(m_root, wide(m_key), 0, KEY_SET_VALUE, &handle) != ERROR_SUCCESS)
            return;
        RegDeleteValueW(handle, wide(m_name));
        RegCloseKey(handle);
    }

private:
    bool write(DWORD type, const void* data, DWORD bytes)
    {
        HKEY handle = nullptr;
        if (RegCreateKeyExW(m_root, wide(m_key), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle,
                            nullptr) != ERROR_SUCCESS)
            return false;
        const LONG result =
            RegSetValueExW(handle, wide(m_name), 0, type, static_cast<const BYTE*>(data), bytes);
        RegCloseKey(handle);
        return result == ERROR_SUCCESS;
    }

    struct Saved
    {
        DWORD type;
        std::vector<BYTE> data;
    };

    HKEY m_root;
    QString m_key;
    QString m_name;
    bool m_keyExisted = false;
    bool m_changed = false;
    std::optional<Saved> m_before;
};

// A key of the current user's that only these tests use, removed with everything in it.
class ScratchKey
{
public:
    ScratchKey()
        : m_key(QStringLiteral("Software\\Tarnwell tests\\%1").arg(QApplication::applicationPid()))
    {}
    ~ScratchKey()
    {
        RegDeleteTreeW(HKEY_CURRENT_USER, wide(m_key));
        RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Tarnwell tests");
    }
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;

    const QString& key() const { return m_key; }
    RegistryValue value(const QString& name) const
    {
        return RegistryValue(HKEY_CURRENT_USER, m_key, name);
    }

    // What GetKeyValue gives for `name`, starting from a stale result.
    std::optional<QString> read(const QString& name) const
    {
        QString value = QStringLiteral("stale");
        if (!app::GetKeyValue(HKEY_CURRENT_USER, m_key, name, value)) {
            EXPECT_EQ(value, QString()) << "a failed read leaves the old text behind";
            return std::nullopt;
        }
        return value;
    }

private:
    QString m_key;
};

TEST(RegistryRead, GivesTextValuesAsStored)
{
    ScratchKey scratch;
    RegistryValue plain = scratch.value("plain");
    plain.set("C:\\Program Files\\Common Files\\msinfo32.exe");
    RegistryValue expandable = scratch.value("expandable");
    expandable.set("%CommonProgramFiles%\\msinfo32.exe", REG_EXPAND_SZ);
    RegistryValue empty = scratch.value("empty");
    empty.set(QString());
    // Written by a tool that leaves out the terminating NUL.
    const QString unterminatedText = QStringLiteral("Z:\\tools");
    RegistryValue unterminated = scratch.value("unterminated");
    unterminated.set(REG_SZ, unterminatedText.utf16(),
                     DWORD(unterminatedText.size() * sizeof(char16_t)));
    // The longest text that fits: 1023 characters and the NUL.
    RegistryValue longest = scratch.value("longest");
    longest.set(QString(1023, QLatin1Char('x')));
    RegistryValue accented = scratch.value("accented");
    accented.set(QStringLiteral("C:\\Programme\\Gemeinsame Dateien\\Systeminfo Ü"));

    EXPECT_EQ(scratch.read("plain"), "C:\\Program Files\\Common Files\\msinfo32.exe");
    EXPECT_EQ(scratch.read("expandable"), "%CommonProgramFiles%\\msinfo32.exe")
        << "given as stored, not expanded";
    EXPECT_EQ(scratch.read("empty"), QString());
    EXPECT_EQ(scratch.read("unterminated"), unterminatedText);
    EXPECT_EQ(scratch.read("longest"), QString(1023, QLatin1Char('x')));
    EXPECT_EQ(scratch.read("accented"),
              QStringLiteral("C:\\Programme\\Gemeinsame Dateien\\Systeminfo Ü"));
}

TEST(RegistryRead, RefusesWhatIsMissingNotTextOrTooLong)
{
    ScratchKey scratch;
    RegistryValue number = scratch.value("number");
    const DWORD dword = 7;
    number.set(REG_DWORD, &dword, sizeof dword);
    RegistryValue binary = scratch.value("binary");
    const char bytes[] = "C:\\x";
    binary.set(REG_BINARY, bytes, sizeof bytes);
    RegistryValue tooLong = scratch.value("tooLong");
    tooLong.set(QString(1024, QLatin1Char('x')));

    EXPECT_EQ(scratch.read("number"), std::nullopt);
    EXPECT_EQ(scratch.read("binary"), std::nullopt);
    EXPECT_EQ(scratch.read("tooLong"), std::nullopt);
    EXPECT_EQ(scratch.read("absent"), std::nullopt) << "a value the key does not hold";

    QString value = QStringLiteral("stale");
    EXPECT_FALSE(app::GetKeyValue(HKEY_CURRENT_USER, scratch.key() + "\\absent", "x", value));
    EXPECT_EQ(value, QString()) << "a key that does not exist";
}

// The places Windows registers its system-information program, set as each test needs and
// put back afterwards, and a stand-in that records that it was started.
class SystemInfoTest : public ::testing::Test
{
protected:
    SystemInfoTest()
    {
        qputenv("TARNWELL_STAND_IN_MARKER", QDir::toNativeSeparators(markerPath()).toUtf8());
    }
    ~SystemInfoTest() override { qunsetenv("TARNWELL_STAND_IN_MARKER"); }

    static QString standIn()
    {
        return QDir::toNativeSeparators(
            QFileInfo(QStringLiteral(TARNWELL_STAND_IN)).absoluteFilePath());
    }

    QString markerPath() const { return m_folder.filePath(QStringLiteral("started")); }

    // The stand-in's own path once it has run, or nothing within ten seconds.
    std::optional<QString> startedProgram() const
    {
        const QDeadlineTimer deadline(10'000);
        while (!QFile::exists(markerPath())) {
            if (deadline.hasExpired())
                return std::nullopt;
            QCoreApplication::processEvents();
            QThread::msleep(20);
        }
        QFile marker(markerPath());
        if (!marker.open(QIODevice::ReadOnly))
            return std::nullopt;
        const QByteArray bytes = marker.readAll();
        const QString text =
            QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.data()), bytes.size() / 2);
        return text.section(QLatin1Char('\n'), 0, 0);
    }

    // Runs `action`; a message box it shows is answered with OK, and its title and text are
    // given back. Empty when none was shown.
    static QStringList messageBoxOf(const std::function<void()>& action)
    {
        QStringList seen;
        QTimer poll;
        poll.setInterval(20);
        QObject::connect(&poll, &QTimer::timeout, [&seen] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                if (auto* box = qobject_cast<QMessageBox*>(modal))
                    seen << box->windowTitle() << box->text();
                else
                    seen << QStringLiteral("a window that is no message box");
                modal->close();
            }
        });
        poll.start();
        action();
        return seen;
    }

    static bool sameFile(const QString& a, const QString& b)
    {
        return QFileInfo(a).canonicalFilePath().compare(QFileInfo(b).canonicalFilePath(),
                                                        Qt::CaseInsensitive) == 0;
    }

    QTemporaryDir m_folder;
    RegistryValue m_path{HKEY_LOCAL_MACHINE, MsinfoKey, QStringLiteral("PATH")};
    RegistryValue m_location{HKEY_LOCAL_MACHINE, LocationKey, QStringLiteral("MSINFO")};
};

TEST_F(SystemInfoTest, StartsTheProgramRegisteredUnderItsPath)
{
    m_path.set(standIn());
    m_location.remove();

    EXPECT_EQ(messageBoxOf([] { app::StartSysInfo(); }), QStringList());
    const std::optional<QString> started = startedProgram();
    ASSERT_TRUE(started) << "the registered program was not started";
    EXPECT_TRUE(sameFile(*started, standIn())) << started->toStdString();
}

TEST_F(SystemInfoTest, WithoutAPathTakesMsinfo32FromTheSharedToolsLocation)
{
    const QString tools = m_folder.filePath(QStringLiteral("Shared Tools"));
    ASSERT_TRUE(QDir().mkpath(tools));
    const QString copy = tools + QStringLiteral("/MSINFO32.EXE");
    ASSERT_TRUE(QFile::copy(standIn(), copy));
    m_path.remove();
    m_location.set(QDir::toNativeSeparators(tools));

    EXPECT_EQ(messageBoxOf([] { app::StartSysInfo(); }), QStringList());
    const std::optional<QString> started = startedProgram();
    ASSERT_TRUE(started) << "MSINFO32.EXE of the shared tools was not started";
    EXPECT_TRUE(sameFile(*started, copy)) << started->toStdString();
}

TEST_F(SystemInfoTest, SaysItIsUnavailableWhenNothingCanBeStarted)
{
    const QString emptyFolder = QDir::toNativeSeparators(m_folder.path());
    const QString missingProgram = emptyFolder + QStringLiteral("\\absent.exe");
    const std::pair<const char*, std::function<void()>> machines[] = {
        {"nothing registered",
         [&] {
             m_path.remove();
             m_location.remove();
         }},
        {"a location without MSINFO32.EXE",
         [&] {
             m_path.remove();
             m_location.set(emptyFolder);
         }},
        {"a registered program that is gone",
         [&] {
             m_path.set(missingProgram);
             m_location.remove();
         }},
    };
    for (const auto& [machine, arrange] : machines) {
        SCOPED_TRACE(machine);
        arrange();
        EXPECT_EQ(messageBoxOf([] { app::StartSysInfo(); }),
                  QStringList({"Tarnwell - Vendor Import Applicatio", Unavailable}));
    }
    EXPECT_FALSE(QFile::exists(markerPath()));
}

} // namespace
