#include "serial/searchadvice.h"

QString searchNextStepsText() {
    // The menu names are those of the main window's "設定(&S)" menu, as the user reads them.
    return QStringLiteral(
        "\r\n\r\n"
        "1. RK-12のケーブル、または無線リンク（RK-13・QK-11）のアダプタをPCに接続してください。\r\n"
        "2. 「設定」の「通信のﾌﾟﾛﾊﾟﾃｨ」でポートを選ぶか、「通信ポート自動検索実行」で"
        "もう一度検索してください。");
}
