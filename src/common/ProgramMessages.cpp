// The texts of this program: captions, tooltips, message-box texts and history lines.
// Codes that share a text share one case; a code not listed gives the empty text.
#include "common/ProgramMessages.h"

std::string ProgramMessage(int code)
{
    switch (code) {
    case 1:
    case 8007:
        return "通常圧縮";
    case 2:
    case 8008:
        return "非圧縮圧縮";
    case 3:
    case 8009:
        return "２重圧縮";
    case 6:
        return "フォルダを圧縮してフォルダ名の圧縮ファイルにをします";
    case 7:
        return "フォルダを非圧縮してフォルダ名の圧縮ファイルにをします";
    case 8:
        return "フォルダを非圧縮して、その非圧縮ファイルを圧縮してフォルダ名の圧縮ファイルにをしま"
               "す";
    case 12:
        return "QuillboxFile(*.QBJ)|*.QBJ";
    case 200:
        return "ファイルが存在しています。上書きしてよろしいですか。";
    case 201:
        return "セーブできませんでした。";
    case 202:
        return "ファイルの読み込みに失敗しました。";
    case 205:
        return "UNLHA32.DLLが無いか異常です。実行できません。";
    case 206:
        return "UNLHA32.DLLのバージョンは１．０４以降をご利用ください。";
    case 1000:
        return "圧縮フォルダ格納フォルダ";
    case 1001:
        return "圧縮フォルダ格納ドライブを設定します";
    case 1002:
        return "圧縮フォルダ格納フォルダを設定します";
    case 1003:
        return "現在の圧縮フォルダ格納フォルダ";
    case 1004:
    case 3006:
        return "圧縮ファイル格納フォルダを同一";
    case 2000:
        return "圧縮フォルダ名";
    case 2001:
        return "圧縮したいフォルダを選択します";
    case 2002:
        return "選択したフォルダを圧縮対象とします";
    case 2003:
        return "全てのフォルダを圧縮対象とします";
    case 2004:
        return "上記のフォルダのサブフォルダの全てを圧縮対象とします";
    case 3000:
        return "圧縮対象フォルダ";
    case 3001:
        return "このフォルダ名が圧縮の対象となります";
    case 3002:
        return "選択したフォルダを圧縮の対象からはずします";
    case 3003:
        return "全てのフォルダを圧縮の対象からはずします";
    case 3007:
    case 4004:
        return "圧縮フォルダ格納フォルダを同一";
    case 3100:
        return "一度で実行できる圧縮フォルダル数は最大１０００までです。";
    case 4000:
        return "圧縮ファイル格納フォルダ";
    case 4001:
        return "圧縮ファイル格納ドライブを設定します";
    case 4002:
        return "圧縮ファイル格納フォルダを設定します";
    case 4003:
        return "現在の圧縮ファイル格納フォルダ";
    case 5000:
    case 5001:
        return "実行履歴";
    case 6000:
        return "圧縮後のファイル名";
    case 6001:
        return "正常に圧縮されたファイル名";
    case 7000:
        return "About";
    case 7001:
        return "クイルボックス２";
    case 8000:
        return "Option";
    case 8001:
        return "サブフォルダも圧縮する";
    case 8002:
        return "隠し・システム属性も圧縮する";
    case 8003:
        return "圧縮ファイルに現在のフォルダ名を含む";
    case 8004:
        return "自動作成するファイル名は大文字";
    case 8005:
        return "２重圧縮ファイルは更新";
    case 8006:
        return "起動時のフォルダは自動的に実行";
    case 8010:
        return "２重圧縮時のパターン";
    case 8011:
        return ".LZH.LZH";
    case 8012:
        return ".LZH.ZIP";
    case 8013:
        return ".ZIP.LZH";
    case 8014:
        return ".ZIP.ZIP";
    case 8015:
        return "先頭の \\ を省く（ＬＺＨのみ有効）";
    case 8016:
        return "圧縮形式（通常・非圧縮時）";
    case 8017:
        return "ＬＺＨ形式";
    case 8018:
        return "ＺＩＰ形式";
    case 8020:
        return "サブフォルダも圧縮ファイルに含みます";
    case 8021:
        return "隠し・システム属性のファイルも圧縮ファイルに含みます";
    case 8022:
        return "自分自身のフォルダの場所まで圧縮ファイルに含みます";
    case 8023:
        return "圧縮時に作成するファイル名はフォルダ名に関わらず大文字にします";
    case 8024:
        return "Quillシリーズの２重圧縮ファイルを圧縮する場合、更新・差分圧縮をします";
    case 8025:
        return "起動時にフォルダを指定した場合、自動的に実行します（フォームは表示されません）";
    case 8026:
        return "自動的に通常圧縮を実行します";
    case 8027:
        return "自動的に非圧縮圧縮を実行します";
    case 8028:
        return "自動的に２重圧縮を実行します";
    case 8031:
        return "ＬＺＨ形式で非圧縮したファイルをさらにＬＺＨ形式で圧縮します";
    case 8032:
        return "ＬＺＨ形式で非圧縮したファイルをさらにＺＩＰ形式で圧縮します";
    case 8033:
        return "ＺＩＰ形式で非圧縮したファイルをさらにＬＺＨ形式で圧縮します";
    case 8034:
        return "ＺＩＰ形式で非圧縮したファイルをさらにＺＩＰ形式で圧縮します";
    case 8035:
        return "先頭の \\ "
               "を省くことでＵｎｑｕｉｌｌｂｏｘ２等で正常に解凍できます（ＬＺＨのみ有効です。ＺＩ"
               "Ｐの場合は設定しても常に￥は省かれています）";
    case 8037:
        return "圧縮・非圧縮　圧縮時の形式はＬＺＨ形式です";
    case 8038:
        return "圧縮・非圧縮　圧縮時の形式はＺＩＰ形式です";
    // Options beyond the original set: testing and rebuilding archives, and the code of names.
    case 8100:
        return "作成後に圧縮ファイルをテストする";
    case 8101:
        return "圧縮ファイルを作り直す（同期）";
    case 8102:
        return "ＬＺＨのファイル名";
    case 8103:
        return "自動（ＣＰ９３２優先）";
    case 8104:
        return "常にＵＴＦ－８";
    case 8105:
        return "ＺＩＰのファイル名";
    case 8106:
        return "ＵＴＦ－８";
    case 8107:
        return "ＣＰ９３２（古いＷｉｎｄｏｗｓ向け）";
    case 8110:
        return "作成した圧縮ファイルを読み戻してテストし、正常なときだけ元の圧縮ファイルと置き換え"
               "ます（２重圧縮では両方）";
    case 8111:
        return "圧縮ファイルを更新せずにフォルダから作り直します。フォルダから削除したファイルは圧"
               "縮ファイルからも消えます";
    case 8113:
        return "全ての名前をＣＰ９３２で書けるときはＣＰ９３２、書けないときはＵＴＦ－８で格納しま"
               "す（Ｗｉｎｄｏｗｓの多くのＬＺＨ解凍ソフト向け）";
    case 8114:
        return "ファイル名を常にＵＴＦ－８で格納します（ＵＴＦ－８を読めるソフト向け）";
    case 8116:
        return "ファイル名をＵＴＦ－８で格納し、ＵＴＦ－８であることを記録します";
    case 8117:
        return "全ての名前をＣＰ９３２で書けるときはＣＰ９３２で格納します（ＵＴＦ－８を知らない古"
               "いＷｉｎｄｏｗｓのソフト向け）";
    case 9000:
        return "Default";
    case 9005:
        return "現在の圧縮フォルダ格納フォルダからコピー";
    case 9006:
        return "現在の圧縮ファイル格納フォルダからコピー";
    case 9007:
        return "Ｗｉｎｄｏｗｓのテンポラリからコピー";
    case 9999:
        return "Quillbox2 for Win32";
    case 10000:
        return "圧縮フォルダ格納フォルダ名";
    case 10001:
        return "圧縮ファイル格納フォルダ名";
    case 10002:
        return "テンポラリフォルダ名";
    case 10020:
    case 10040:
        return "初期設定を無効にして、常に終了時のフォルダに復帰します";
    case 10021:
        return "初期設定の圧縮フォルダ格納ドライブ名を設定します";
    case 10022:
        return "初期設定の圧縮フォルダ格納フォルダ名を設定します";
    case 10023:
        return "初期設定の圧縮フォルダ格納フォルダ名";
    case 10041:
        return "初期設定の圧縮ファイル格納ドライブ名を設定します";
    case 10042:
        return "初期設定の圧縮ファイル格納フォルダ名を設定します";
    case 10043:
        return "初期設定の圧縮ファイル格納フォルダ名";
    case 10060:
        return "";
    case 10061:
        return "テンポラリドライブ名を設定します";
    case 10062:
        return "テンポラリフォルダ名を設定します";
    case 10063:
        return "テンポラリフォルダ名";
    case 20001:
        return "　１重目ＬＺＨ圧縮中（非圧縮）です";
    case 20002:
        return "　２重目ＬＺＨ圧縮中です";
    case 20003:
        return "　圧縮正常終了しました";
    case 20004:
        return "　圧縮できませんでした";
    case 20005:
        return "　圧縮しません";
    case 20006:
        return "　１重目ＺＩＰ圧縮中（非圧縮）です";
    case 20007:
        return "　２重目ＺＩＰ圧縮中です";
    case 20010:
        return "　ＬＺＨ圧縮中です";
    case 20011:
        return "　ＺＩＰ圧縮中です";
    case 20012:
        return "　ＬＺＨ非圧縮中です";
    case 20013:
        return "　ＺＩＰ非圧縮中です";
    case 20020:
        return "　更新のため２重圧縮ファイル解凍中です";
    case 20040:
        return "　解凍ファイルを格納する空きが足りません";
    case 20041:
        return "　解凍ファイル格納先はリードオンリーです";
    case 20042:
        return "　キャンセルされました";
    case 20100:
        return "現在UNLHA32.DLLは使用中です";
    case 20101:
        return "現在ZIP32J.DLLは使用中です";
    case 20200:
        return "圧縮フォルダが圧縮ファイルフォルダを含んでいます";
    case 20201:
        return "圧縮フォルダがテンポラリフォルダを含んでいます";
    case 20202:
        return "このフォルダは存在しません";
    // Why a folder was not packed, what happened to single files, and the end of a run.
    // "%1" and "%2" stand for the names filled in with FormatText.
    case 20300:
        return "　理由：%1";
    case 20301:
        return "ファイル %1 を読み込めませんでした";
    case 20302:
        return "ファイル %1 が圧縮中に変更されました";
    case 20303:
        return "２つのファイルが同じ名前 %1 で格納されるところでした";
    case 20304:
        return "既存の圧縮ファイル %1 が壊れています（元のまま残しました）";
    case 20305:
        return "作成した圧縮ファイルのテストで異常が見つかりました（%"
               "1）。元の圧縮ファイルはそのままです";
    case 20306:
        return "ディスクの空きが足りません";
    case 20307:
        return "書き込み先が読み取り専用か、書き込みが許可されていません";
    case 20308:
        return "キャンセルされました";
    case 20309:
        return "%1 は使用中です";
    case 20310:
        return "%1 が見つかりません";
    case 20311:
        return "フォルダ名がないため、圧縮ファイル名を作れません";
    case 20312:
        return "パスに二重引用符（\"）が含まれています";
    case 20313:
        return "圧縮ファイル格納フォルダが指定されていません";
    case 20314:
        return "圧縮ファイル %1 は、この実行で %2 の圧縮ファイルになっています（名前の重複）";
    case 20315:
        return "圧縮されなかったファイルが %1 個あります（圧縮ファイルは作成済みです）";
    case 20316:
        return "圧縮方法 %1 は通常圧縮・非圧縮圧縮・２重圧縮のどれでもありません";
    case 20317:
        return "テンポラリフォルダ %1 に作業フォルダを作成できません";
    case 20318:
        return "圧縮するファイルがありません";
    case 20319:
        return "一時ファイルを作成できませんでした";
    case 20320:
        return "メモリが足りません";
    case 20321:
        return "書き込みに失敗しました";
    case 20322:
        return "圧縮ソフトがエラー %1 で終了しました";
    case 20323:
        return "フォルダ %1 が見つかりません";
    case 20324:
        return "予期しないエラーが発生しました";
    case 20325:
        return "テンポラリフォルダが指定されていません";
    case 20326:
        return "更新されなかったファイルが %1 個あります（前の内容のまま圧縮ファイルに残しました）";
    case 20327:
        return "圧縮されなかったファイルが %1 個、更新されなかったファイルが %2 個あります"
               "（圧縮ファイルは作成済みです）";
    case 20328:
        return "フォルダ %1 に圧縮ファイルを作成できません（%2）";
    case 20330:
        return "　圧縮されなかったファイル：%1（%2）";
    case 20331:
        return "名前に \\ が含まれています";
    case 20332:
        return "フォルダの外を指すシンボリックリンクです";
    case 20333:
        return "リンク先のないシンボリックリンクです";
    case 20334:
        return "すでに圧縮したフォルダへのリンクです";
    case 20335:
        return "通常のファイルではありません（FIFO・ソケット・デバイス）";
    case 20336:
        return "読み込みが許可されていません";
    case 20337:
        return "圧縮中に削除されました";
    case 20338:
        return "名前が長すぎます";
    case 20339:
        return "見つかりません";
    case 20340:
        return "　UTF-8 でない名前をそのまま格納しました：%1";
    case 20341:
        return "　4GiB を超えるファイル %1 があります。多くの LZH 解凍ソフト（lhasa、7-Zip "
               "など）はこの圧縮ファイルを読めません（ZIP なら読めます）";
    case 20342:
        return "　ほかに %1 行の報告は省略されました";
    case 20343:
        return "　更新されなかったファイル：%1（%2。前の内容のまま残しました）";
    case 20350:
        return "フォルダではありません";
    case 20351:
        return "フルパスではありません";
    case 20352:
        return "どのドライブにも含まれないパスです";
    case 20353:
        return "ジョブファイルと一緒に指定されたフォルダは使われません";
    case 20360:
        return "圧縮ファイル格納フォルダ %1 は存在しません。%2 に作成します";
    case 20370:
        return "設定を保存できませんでした。\n%1\n%2";
    case 20371:
        return "設定を削除できませんでした。\n%1\n%2";
    case 20400:
        return "全 %1 フォルダ中 %2 フォルダを圧縮しました";
    case 20500:
        return "フォルダ %1 / %2";
    case 20510:
        return "保存先：%1";
    case 20511:
        return "フォルダを開く";
    default:
        return std::string();
    }
}
