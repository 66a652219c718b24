// The texts shared with the other programs of the family (cancel button, closing lines of a
// run, folder creation, folder aliases, common dialog buttons and options), and the author's
// contact lines of the about dialog (7003 online id, 7004 mail, 7005 web page).
#include "common/SharedMessages.h"

std::string SharedMessage(int code)
{
    switch (code) {
    case 5:
        return "ｷｬﾝｾﾙ";
    case 10:
        return "実行中に中断します";
    case 11:
        return "LogFile(*.LOG)|*.LOG|全てのファイル(*.*)|*.*";
    case 20:
        return "で使用したレジストリを全て削除します";
    case 30:
        return "中断しました";
    case 31:
        return "全て終了しました";
    case 100:
        return "作成するフォルダ名を入力してください";
    case 101:
        return "フォルダ名には [\\] は使用できません";
    case 102:
        return "フォルダ名には [*] は使用できません";
    case 103:
        return "フォルダ名には [?] は使用できません";
    case 104:
        return "フォルダは作成できませんでした";
    case 105:
        return "フォルダ作成時異常が発生しました";
    case 106:
        return "フォルダ名は入力されていません";
    case 107:
        return "フォルダ名に異常な値があります";
    case 108:
        return "フォルダ名の先頭と末尾には [.] は使用できません";
    case 110:
        return "フォルダ名入力";
    case 1005:
        return "リフレッシュ";
    case 1006:
        return "フォルダエリアスの追加";
    case 1007:
        return "フォルダエリアスのメンテナンス";
    case 1100:
    case 11101:
        return "フォルダエリアス名を入力してください";
    case 1101:
        return "フォルダエリアス名入力";
    case 1102:
        return "同一のフォルダエリアス名は追加できません";
    case 2006:
        return "全て選択";
    case 2007:
        return "全て選択の解除";
    case 2008:
        return "初期化";
    case 5100:
        return "ファイルが存在しています。上書きしてよろしいですか";
    case 5101:
        return "セーブできませんでした。";
    case 7003:
        return "Brambleworks";
    case 7004:
        return "quillbox2@brambleworks.example.org";
    case 7005:
        return "https://brambleworks.example.org/quillbox2/";
    case 8042:
        return "初期値";
    case 8043:
        return "ｷｬﾝｾﾙ";
    case 8044:
        return "設定";
    case 8045:
        return "設定を初期設定に戻します";
    case 8046:
        return "設定を中断して、閉じます";
    case 8047:
        return "設定を有効にして、閉じます";
    case 8056:
        return "リサイズ時、小フォームも変更";
    case 8057:
        return "小フォームが親フォームにあわせてリサイズされます";
    case 8058:
        return "ＴｏｏｌＴｉｐを表示";
    case 8059:
        return "マウス停止時の説明を表示するかしないかの設定をします";
    case 8060:
        return "結果をクリップボートにコピー";
    case 8061:
        return "自動実行時、結果を自動的にクリップボートにコピーします";
    case 11000:
        return "のエリアスメンテナンス";
    case 11003:
        return "名前の変更";
    case 11006:
        return "現在選択しているフォルダエリアス名の変更します";
    case 11007:
        return "フォルダエリアス名に対応するフォルダ名";
    case 11008:
        return "フォルダエリアス登録一覧";
    case 11009:
        return "現在選択しているフォルダエリアスを１つ上に移動します";
    case 11010:
        return "現在選択しているフォルダエリアスを１つ下に移動します";
    case 11011:
        return "現在選択しているフォルダエリアスを削除します";
    case 11012:
        return "全て削除します";
    case 11102:
        return "フォルダエリアス名の変更";
    case 11103:
        return "すでに存在するフォルダエリアス名には変更できません";
    default:
        return std::string();
    }
}
