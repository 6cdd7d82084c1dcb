#include "app/config/configuration.h"

#include "app/config/profilefile.h"
#include "protocol/devicemodel.h"

#include <QFileInfo>
#include <QStandardPaths>

namespace {

const QString formSection = QStringLiteral("Form");
const QString comSection = QStringLiteral("Com");
const QString dataSection = QStringLiteral("Data");
const QString messageSection = QStringLiteral("Message");
const QString chartSection = QStringLiteral("Chart");
const QString modelSection = QStringLiteral("Model");
const QString monitorSection = QStringLiteral("Monitor");
const QString portsSection = QStringLiteral("Ports");

constexpr int highestPort = 99;

// The one-byte fields of the serial parameters keep the low 8 bits.
quint8 lowByte(int value) {
    return static_cast<quint8>(value & 0xFF);
}

// A missing or negative position centres the window on that axis.
int readEdge(const ProfileFile& file, const QString& key, int screenSize, int windowSize) {
    const int centred = (screenSize - windowSize) / 2;
    const int value = file.readInt(formSection, key, centred);
    return value < 0 ? centred : value;
}

// What the user is told about a configuration file left as it is.
QString configurationRefusal(const QString& path, ProfileFile::LoadStatus status) {
    QString reason;
    switch (status) {
    case ProfileFile::LoadStatus::Read:
    case ProfileFile::LoadStatus::Missing:
        return QString();
    case ProfileFile::LoadStatus::NotRegular:
        reason = QFileInfo(path).isDir() ? QStringLiteral("フォルダーです。")
                 : QFileInfo(path).isSymLink()
                     ? QStringLiteral("リンク先が通常のファイルではありません。")
                     : QStringLiteral("通常のファイルではありません。");
        break;
    case ProfileFile::LoadStatus::Unreadable:
        reason = QStringLiteral("読み込めません。");
        break;
    case ProfileFile::LoadStatus::TooLarge:
        reason = QStringLiteral("大きすぎます（%1バイトまたは%2行まで）。")
                     .arg(ProfileFile::maxReadBytes)
                     .arg(ProfileFile::maxLines);
        break;
    }
    return QStringLiteral("設定ファイルを使用できません。\r\n%1\r\n%2\r\n"
                          "既定の設定で起動します。このファイルは変更せず、"
                          "終了時の設定は保存しません。")
        .arg(path, reason);
}

// The model the last run wrote. Only the RK-12's name chooses it: a missing, empty or
// unknown value keeps the RK-13, the model every run started with before.
bool isRk12Name(const QString& value) {
    return value.trimmed().compare(QLatin1String(deviceTraits(DeviceModel::RK12).name),
                                   Qt::CaseInsensitive) == 0;
}

} // namespace

ConfigurationValues readConfiguration(const ProfileFile& file, QSize screen, QSize window) {
    ConfigurationValues values;
    values.top = readEdge(file, QStringLiteral("Top"), screen.height(), window.height());
    values.left = readEdge(file, QStringLiteral("Left"), screen.width(), window.width());
    values.height = file.readInt(formSection, QStringLiteral("Height"), window.height());
    values.width = file.readInt(formSection, QStringLiteral("Width"), window.width());

    // Kept as read, also beyond the 99 ports: opening such a port fails as any
    // port that cannot be opened does, and the next close writes it back.
    values.comPort = file.readInt(comSection, QStringLiteral("Port"), values.comPort);
    CommSettings& comm = values.comm;
    comm.baudRate = file.readInt(comSection, QStringLiteral("BaudRate"), comm.baudRate);
    comm.byteSize = lowByte(file.readInt(comSection, QStringLiteral("ByteSize"), comm.byteSize));
    comm.parity = lowByte(file.readInt(comSection, QStringLiteral("Parity"), comm.parity));
    comm.stopBits = lowByte(file.readInt(comSection, QStringLiteral("StopBits"), comm.stopBits));
    comm.flowControl =
        lowByte(file.readInt(comSection, QStringLiteral("FlowCtrl"), comm.flowControl));
    comm.eventChar = static_cast<char>(
        lowByte(file.readInt(comSection, QStringLiteral("EvtChar"), comm.eventChar)));

    values.courseLength =
        file.readString(dataSection, QStringLiteral("Course length"), values.courseLength);
    values.showCaution =
        file.readBool(messageSection, QStringLiteral("Caution"), values.showCaution);
    values.view3D = file.readBool(chartSection, QStringLiteral("View3D"), values.view3D);
    values.depthPercent =
        file.readInt(chartSection, QStringLiteral("3DPercent"), values.depthPercent);
    values.backColor = file.readInt(chartSection, QStringLiteral("BackColor"), values.backColor);
    values.modelRK13 = !isRk12Name(file.readString(modelSection, QStringLiteral("Rin Koda")));
    values.rk13Id = file.readString(modelSection, QStringLiteral("RK-13 ID"), values.rk13Id);
    values.qk11Id = file.readString(modelSection, QStringLiteral("QK-11 ID"), values.qk11Id);
    values.qkodaMonitor =
        file.readBool(monitorSection, QStringLiteral("Q-KODA"), values.qkodaMonitor);

    // One pass over the section's keys rather than 99 lookups. Only the
    // spellings "COM1".."COM99" count, as a lookup of each of them would find.
    const QString portPrefix = QStringLiteral("COM");
    for (const QString& key : file.keys(portsSection)) {
        if (!key.startsWith(portPrefix, Qt::CaseInsensitive))
            continue;
        bool isNumber = false;
        const int port = key.mid(portPrefix.size()).toInt(&isNumber);
        if (!isNumber || port < 1 || port > highestPort ||
            key.mid(portPrefix.size()) != QString::number(port))
            continue;
        const QString path = file.readString(portsSection, key);
        if (!path.isEmpty())
            values.portPaths.insert(port, path);
    }
    return values;
}

void writeConfiguration(ProfileFile& file, const ConfigurationValues& values) {
    file.writeInt(formSection, QStringLiteral("Top"), values.top);
    file.writeInt(formSection, QStringLiteral("Left"), values.left);
    file.writeInt(formSection, QStringLiteral("Height"), values.height);
    file.writeInt(formSection, QStringLiteral("Width"), values.width);

    // The event character is never written: it always comes from the default
    // or from a value the user put into the file.
    const CommSettings& comm = values.comm;
    file.writeInt(comSection, QStringLiteral("Port"), values.comPort);
    file.writeInt(comSection, QStringLiteral("BaudRate"), comm.baudRate);
    file.writeInt(comSection, QStringLiteral("ByteSize"), comm.byteSize);
    file.writeInt(comSection, QStringLiteral("Parity"), comm.parity);
    file.writeInt(comSection, QStringLiteral("StopBits"), comm.stopBits);
    file.writeInt(comSection, QStringLiteral("FlowCtrl"), comm.flowControl);

    file.writeString(dataSection, QStringLiteral("Course length"), values.courseLength);
    file.writeBool(messageSection, QStringLiteral("Caution"), values.showCaution);

    file.writeBool(chartSection, QStringLiteral("View3D"), values.view3D);
    file.writeInt(chartSection, QStringLiteral("3DPercent"), values.depthPercent);
    file.writeInt(chartSection, QStringLiteral("BackColor"), values.backColor);

    file.writeString(
        modelSection, QStringLiteral("Rin Koda"),
        QLatin1String(deviceTraits(values.modelRK13 ? DeviceModel::RK13 : DeviceModel::RK12).name));
    file.writeString(modelSection, QStringLiteral("RK-13 ID"), values.rk13Id);
    file.writeString(modelSection, QStringLiteral("QK-11 ID"), values.qk11Id);

    file.writeBool(monitorSection, QStringLiteral("Q-KODA"), values.qkodaMonitor);
    for (auto it = values.newPortPaths.cbegin(); it != values.newPortPaths.cend(); ++it)
        file.writeString(portsSection, QStringLiteral("COM%1").arg(it.key()), it.value());
}

ConfigurationValues loadConfigurationFile(const QString& path, QSize screen, QSize window,
                                          QString* refusal) {
    ProfileFile file;
    ProfileFile::LoadStatus status = ProfileFile::LoadStatus::Read;
    file.load(path, &status);
    if (refusal)
        *refusal = configurationRefusal(path, status);
    return readConfiguration(file, screen, window);
}

bool saveConfigurationFile(const QString& path, const ConfigurationValues& values) {
    ProfileFile file;
    ProfileFile::LoadStatus status = ProfileFile::LoadStatus::Read;
    file.load(path, &status);
    if (status != ProfileFile::LoadStatus::Read && status != ProfileFile::LoadStatus::Missing)
        return false;
    writeConfiguration(file, values);
    return file.save(path);
}

QString configurationPath(const QString& programPath) {
    if (!programPath.isEmpty()) {
        const QFileInfo program(programPath);
        const QString folder = program.absolutePath();
        const QString besideProgram =
            folder + u'/' + program.completeBaseName() + QStringLiteral(".ini");
        if (QFileInfo::exists(besideProgram) || QFileInfo(folder).isWritable())
            return besideProgram;
    }
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/KodaMonitor/KodaMonitor.ini");
}
