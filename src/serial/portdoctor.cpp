#include "serial/portdoctor.h"
#include "serial/serialport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// USB vendor IDs of the usual USB-serial chips: WCH (CH340), Silicon Labs (CP210x),
// FTDI and Prolific.
const QStringList kSerialChipVendors = {QStringLiteral("1a86"), QStringLiteral("10c4"),
                                        QStringLiteral("0403"), QStringLiteral("067b")};

QString readTrimmed(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLocal8Bit(file.read(4096)).trimmed();
}

QString groupName(gid_t gid) {
    if (const group* g = ::getgrgid(gid))
        return QString::fromLocal8Bit(g->gr_name);
    return QString::number(gid);
}

QString userName(uid_t uid) {
    if (const passwd* u = ::getpwuid(uid))
        return QString::fromLocal8Bit(u->pw_name);
    return QString::number(uid);
}

} // namespace

PortDoctor::PortDoctor() : PortDoctor(Places{}) {}

PortDoctor::PortDoctor(Places places) : places_(std::move(places)) {
    if (!places_.readUserGroups)
        return;
    const int count = ::getgroups(0, nullptr);
    if (count > 0) {
        std::vector<gid_t> groups(static_cast<size_t>(count));
        if (::getgroups(count, groups.data()) == count)
            places_.sessionGroups = QList<gid_t>(groups.cbegin(), groups.cend());
    }
    places_.sessionGroups << ::getegid();
    if (const passwd* user = ::getpwuid(::geteuid())) {
        int n = 64;
        std::vector<gid_t> groups(static_cast<size_t>(n));
        if (::getgrouplist(user->pw_name, user->pw_gid, groups.data(), &n) < 0) {
            groups.resize(size_t(n));
            ::getgrouplist(user->pw_name, user->pw_gid, groups.data(), &n);
        }
        groups.resize(size_t(std::max(n, 0)));
        places_.accountGroups = QList<gid_t>(groups.cbegin(), groups.cend());
    }
}

PortDiagnosis PortDoctor::diagnose(const QString& devicePath, int openError) const {
    using Cause = PortDiagnosis::Cause;
    switch (openError) {
    case 0:
        return {};
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return {Cause::Missing, missingText(devicePath)};
    case EACCES:
    case EPERM:
        return {Cause::PermissionDenied, permissionText(devicePath)};
    case EBUSY: {
        const QStringList by = holders(devicePath);
        return {Cause::InUse, by.isEmpty() ? QStringLiteral("他のプログラムが使用中です。")
                                           : QStringLiteral("使用中です: %1").arg(by.join(u'、'))};
    }
    case ENOTTY:
        return {Cause::NotSerial, QStringLiteral("シリアルポートではありません。")};
    default:
        return {Cause::OtherError, qt_error_string(openError)};
    }
}

PortDiagnosis PortDoctor::examine(const QString& devicePath) const {
    return diagnose(devicePath, SerialPort::probeError(devicePath));
}

QString PortDoctor::missingText(const QString& devicePath) const {
    QString text = QStringLiteral("デバイスがありません。");
    if (QFileInfo(devicePath).isSymLink())
        text += QStringLiteral("（リンク先 %1 がありません）")
                    .arg(QFileInfo(devicePath).symLinkTarget());
    const bool brltty = std::any_of(places_.brlttyPrograms.cbegin(), places_.brlttyPrograms.cend(),
                                    [](const QString& p) { return QFileInfo::exists(p); });
    if (brltty && usbSerialAdapterAttached())
        text += QStringLiteral("\nUSBシリアル変換器は接続されていますが、ポートがありません。"
                               "点字端末用の brltty が変換器を使用している可能性があります。"
                               "点字端末を使わない場合は「sudo apt remove brltty」で削除し、"
                               "変換器を接続し直してください。");
    return text;
}

QString PortDoctor::permissionText(const QString& devicePath) const {
    struct stat st {};
    if (::stat(QFile::encodeName(devicePath).constData(), &st) != 0)
        return QStringLiteral("アクセス権がありません。");
    const QString group = groupName(st.st_gid);
    // Joining the device's group helps only when the group may read and write it; the
    // root group is never worth joining for a serial port.
    constexpr mode_t groupReadWrite = S_IRGRP | S_IWGRP;
    if (st.st_gid == 0 || (st.st_mode & groupReadWrite) != groupReadWrite)
        return QStringLiteral("アクセス権がありません。%1 は所有者「%2」、グループ「%3」、"
                              "パーミッション %4 のデバイスです。\n"
                              "KODA Monitor の udev 規則（70-kodamonitor.rules）を入れて変換器を"
                              "接続し直すと使えます。すぐに使うには「sudo chown $USER %1」を"
                              "実行してください。")
            .arg(devicePath, userName(st.st_uid), group,
                 QStringLiteral("%1").arg(st.st_mode & 07777, 4, 8, QLatin1Char('0')));
    QString text = QStringLiteral("アクセス権がありません。%1 はグループ「%2」のデバイスです。")
                       .arg(devicePath, group);
    if (places_.sessionGroups.contains(st.st_gid))
        return text;
    if (places_.accountGroups.contains(st.st_gid))
        return text + QStringLiteral("\nグループ「%1」には登録済みです。ログインし直すと使えます。")
                          .arg(group);
    return text + QStringLiteral("\n「sudo usermod -aG %1 $USER」を実行してから、ログインし直して"
                                 "ください。")
                      .arg(group);
}

QString PortDoctor::settingsProblem(const CommSettings& settings, const QString& configPath) {
    struct Named {
        SerialPort::SettingFault fault;
        const char* key;
        const char* what;
        int value;
    };
    const Named named[] = {
        {SerialPort::SettingFault::BaudRate, "BaudRate", "通信速度", int(settings.baudRate)},
        {SerialPort::SettingFault::ByteSize, "ByteSize", "データビット", settings.byteSize},
        {SerialPort::SettingFault::Parity, "Parity", "パリティ", settings.parity},
        {SerialPort::SettingFault::StopBits, "StopBits", "ストップビット", settings.stopBits},
    };
    const SerialPort::SettingFault fault = SerialPort::settingFault(settings);
    for (const Named& n : named)
        if (n.fault == fault)
            return QStringLiteral("%1 の [Com] %2=%3 は使えない%4です。どのポートも開けません。")
                .arg(configPath, QLatin1String(n.key))
                .arg(n.value)
                .arg(QString::fromUtf8(n.what));
    return {};
}

QStringList PortDoctor::holders(const QString& devicePath) const {
    const QString device = QFileInfo(devicePath).canonicalFilePath();
    QStringList found;
    if (device.isEmpty())
        return found;
    const QDir proc(places_.proc);
    const pid_t self = ::getpid();
    for (const QString& pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool numeric = false;
        const int number = pid.toInt(&numeric);
        if (!numeric || number == self)
            continue;
        const QDir fds(proc.filePath(pid + QStringLiteral("/fd")));
        for (const QFileInfo& fd :
             fds.entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot)) {
            if (fd.symLinkTarget() != device)
                continue;
            QString name = readTrimmed(proc.filePath(pid + QStringLiteral("/comm")));
            found << QStringLiteral("%1 (PID %2)")
                         .arg(name.isEmpty() ? QStringLiteral("?") : name, pid);
            break;
        }
    }
    // A UUCP lock file names the holder by PID even where its open files cannot be seen.
    const QString lock = readTrimmed(
        QDir(places_.lockDir).filePath(QStringLiteral("LCK..") + QFileInfo(device).fileName()));
    bool numeric = false;
    const int lockPid = lock.toInt(&numeric);
    if (numeric && lockPid > 0 && !std::any_of(found.cbegin(), found.cend(), [&](const QString& f) {
            return f.endsWith(QStringLiteral("PID %1)").arg(lockPid));
        })) {
        const QString name = readTrimmed(proc.filePath(QStringLiteral("%1/comm").arg(lockPid)));
        found << QStringLiteral("%1 (PID %2)")
                     .arg(name.isEmpty() ? QStringLiteral("?") : name)
                     .arg(lockPid);
    }
    return found;
}

bool PortDoctor::usbSerialAdapterAttached() const {
    const QDir usb(places_.sys + QStringLiteral("/bus/usb/devices"));
    for (const QString& device :
         usb.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System)) {
        const QString vendor = readTrimmed(usb.filePath(device + QStringLiteral("/idVendor")));
        if (kSerialChipVendors.contains(vendor.toLower()))
            return true;
    }
    return false;
}
