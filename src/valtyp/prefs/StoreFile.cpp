#include "valtyp/prefs/StoreFile.h"

#include "platform/Files.h"
#include "valtyp/prefs/PreferencesErrors.h"
#include "valtyp/prefs/PreferencesLog.h"

#include <QFile>

#include <filesystem>
#include <system_error>

namespace StoreFile {

namespace {

// Windows takes paths as UTF-8 through the platform layer; elsewhere they are the locale's bytes.
std::string native(const QString& path) {
#ifdef Q_OS_WIN
    return path.toStdString();
#else
    return QFile::encodeName(path).toStdString();
#endif
}

template <typename Call>
auto checked(Call call) {
    try {
        return call();
    } catch (const platform::FileError& e) {
        throw BackingStoreException(e.what());
    }
}

}  // namespace

std::optional<QByteArray> readAll(const QString& path) {
    return checked([&]() -> std::optional<QByteArray> {
        std::optional<std::string> bytes = platform::readWholeFile(native(path));
        if (!bytes) return std::nullopt;
        return QByteArray(bytes->data(), static_cast<qsizetype>(bytes->size()));
    });
}

void createFolders(const QString& folder) {
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(native(folder)), error);
    if (error) {
        throw BackingStoreException(QStringLiteral("mkdir %1: %2")
                                        .arg(folder, QString::fromStdString(error.message()))
                                        .toStdString());
    }
}

ExclusiveLock::ExclusiveLock(const QString& lockPath, std::chrono::milliseconds patience)
    : lock_(checked(
          [&] { return std::make_unique<platform::FileLock>(native(lockPath), patience); })) {}

ExclusiveLock::~ExclusiveLock() = default;

void replaceAtomically(const QString& path, const QString& tempPath, const QByteArray& bytes,
                       const std::function<void()>& beforeReplace) {
    checked([&] {
        platform::replaceFile(native(path), native(tempPath), bytes.toStdString(), beforeReplace,
                              [](const std::string& problem) {
                                  qCWarning(prefsLog).noquote() << QString::fromStdString(problem);
                              });
    });
}

}  // namespace StoreFile
