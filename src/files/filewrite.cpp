#include "files/filewrite.h"

bool writeAllBytes(QFileDevice& file, QByteArrayView bytes, QString& reason) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const qint64 written = file.write(bytes.data() + done, bytes.size() - done);
        if (written <= 0) {
            reason = file.errorString();
            return false;
        }
        done += written;
    }
    return true;
}
