// The single-value options as the application documents them (written out
// independently of the library's own table): the scalar tests check every
// row's default and round trip, the export test counts their accessors.
#pragma once

namespace {

enum FileId { kMain, kSek4 };

// kind: 'I' int Get(), 'P' int Get(int*), 'S' CString Get(); setters take an
// int for 'I' and 'P', a CString for 'S'.
struct DocumentedKey {
  const char* getter;
  const char* setter;
  char kind;
  FileId file;
  const char16_t* section;
  const char16_t* key;
  const char16_t* def;
};

// clang-format off
constexpr DocumentedKey kDocumented[] = {
    {"GetAdressSheetIni", "SetAdressSheetIni", 'I', kMain, u"SYSTEM", u"住所ｼｰﾙ", u"1"},
    {"GetBackupDateIni", "SetBackupDateIni", 'I', kMain, u"SYSTEM", u"BKTIME", u"00000000"},
    {"GetBaikaCheckIni", "SetBaikaCheckIni", 'I', kMain, u"SYSTEM", u"売価率ON", u"0"},
    {"GetBaikaRituIni", "SetBaikaRituIni", 'I', kMain, u"SYSTEM", u"売価率", u"100"},
    {"GetCadIni", nullptr, 'I', kMain, u"SYSTEM", u"DESIGNER", u"0"},
    {"GetCadNoIni", nullptr, 'I', kMain, u"SYSTEM", u"CADNO", u"0"},
    {"GetDebugIni", nullptr, 'I', kMain, u"SYSTEM", u"DEBUG", u"0"},
    {"GetDegiMstIni", "SetDegiMstIni", 'I', kMain, u"SYSTEM", u"ﾃﾞｼﾞﾀｲｻﾞMST", u"0"},
    {"GetDegitizerIni", "SetDegitizerIni", 'I', kMain, u"SYSTEM", u"ﾃﾞｼﾞﾀｲｻﾞ", u"0"},
    {"GetDentakuZeroResetIni", "SetDentakuZeroResetIni", 'I', kMain, u"SYSTEM", u"電卓0ｵﾌﾟｼｮﾝ", u"0"},
    {"GetDocExeMsgIni", "SetDocExeMsgIni", 'I', kMain, u"SYSTEM", u"DOCEXE_MSG", u"0"},
    {"GetGenkaChgIni", "SetGenkaChgIni", 'I', kMain, u"SYSTEM", u"原価調整率", u"0"},
    {"GetGijiCurIni", "SetGijiCurIni", 'I', kMain, u"SYSTEM", u"擬似ｶｰｿﾙ", u"1"},
    {"GetGoukeiWithoutFukuriIni", "SetGoukeiWithoutFukuriIni", 'I', kMain, u"SYSTEM", u"合計に法定福利費を含まない", u"0"},
    {"GetGuideKinouIni", "SetGuideKinouIni", 'I', kMain, u"SYSTEM", u"ガイド機能", u"1"},
    {"GetHelpIni", nullptr, 'I', kMain, u"SYSTEM", u"HELP_FILE", u"1"},
    {"GetHikaeFirstIni", nullptr, 'I', kMain, u"SYSTEM", u"控え印刷優先", u"0"},
    {"GetInitBikouRirekiIni", "SetInitBikouRirekiIni", 'I', kMain, u"SYSTEM", u"初期備考履歴ON", u"1"},
    {"GetInitColorIni", "SetInitColorIni", 'I', kMain, u"SYSTEM", u"初期カラー設定", u"0"},
    {"GetInitHikaeIni", "SetInitHikaeIni", 'I', kMain, u"SYSTEM", u"初期控え印刷", u"0"},
    {"GetInitHiroiIni", "SetInitHiroiIni", 'I', kMain, u"SYSTEM", u"初期拾数", u"1"},
    {"GetInitHokyuurituIni", "SetInitHokyuurituIni", 'I', kMain, u"SYSTEM", u"初期補給率", u"0"},
    {"GetInitJisyaIni", "SetInitJisyaIni", 'I', kMain, u"SYSTEM", u"初期自社名", u"1"},
    {"GetInitNouhinBikouIni", "SetInitNouhinBikouIni", 'I', kMain, u"SYSTEM", u"初期納品備考", u"0"},
    {"GetInitNyuukinIni", "SetInitNyuukinIni", 'I', kMain, u"SYSTEM", u"入金結果表示", u"1"},
    {"GetInitRoumuhiIni", "SetInitRoumuhiIni", 'I', kMain, u"SYSTEM", u"初期労務費", u"0"},
    {"GetInitZumensuIni", "SetInitZumensuIni", 'I', kMain, u"SYSTEM", u"図面数非表示", u"1"},
    {"GetJustGoukeiFukuriIni", "SetJustGoukeiFukuriIni", 'I', kMain, u"SYSTEM", u"工事費×率を当該行までの合計にて算出", u"0"},
    {"GetKaisouIni", nullptr, 'I', kMain, u"SYSTEM", u"KAISOU", u"3"},
    {"GetKanriNoOption", "SetKanriNoOption", 'P', kMain, u"SYSTEM", u"管理Noｵﾌﾟｼｮﾝ", u"0"},
    {"GetKeihiRoumuhiHasuuIni", "SetKeihiRoumuhiHasuuIni", 'I', kMain, u"SYSTEM", u"経費労務費端数", u"1"},
    {"GetLayoutMemoIni", "SetLayoutMemoIni", 'I', kMain, u"SYSTEM", u"形式ﾒﾓ", u"0"},
    {"GetLayoutSaportIni", "SetLayoutSaportIni", 'I', kMain, u"SYSTEM", u"形式ｻﾎﾟｰﾄ", u"1"},
    {"GetMakerIni", nullptr, 'I', kMain, u"SYSTEM", u"MAKER", u"1"},
    {"GetMituCopyOption", "SetMituCopyOption", 'P', kMain, u"SYSTEM", u"見積複写ｵﾌﾟｼｮﾝ", u"1"},
    {"GetMituCopyOption2", "SetMituCopyOption2", 'P', kMain, u"SYSTEM", u"見積複写ｵﾌﾟｼｮﾝ2", u"0"},
    {"GetMituCopyOption3", "SetMituCopyOption3", 'P', kMain, u"SYSTEM", u"見積複写時印刷備考", u"0"},
    {"GetMituCopyOption4", "SetMituCopyOption4", 'P', kMain, u"SYSTEM", u"印刷備考共通", u"0"},
    {"GetMituNoKeta", "SetMituNoKeta", 'I', kMain, u"SYSTEM", u"見積No桁有", u"0"},
    {"GetMituNoShare", "SetMituNoShare", 'I', kMain, u"SYSTEM", u"見積No共有", u"0"},
    {"GetNippouIni", "SetNippouIni", 'I', kMain, u"SYSTEM", u"NIPPOU", u"0"},
    {"GetPowerOffIni", "SetPowerOffIni", 'I', kMain, u"SYSTEM", u"電源断", u"1"},
    {"GetPrnModeFoldIni", "SetPrnModeFoldIni", 'I', kMain, u"SYSTEM", u"印刷種類の選択保持", u"0"},
    {"GetProdactIni", nullptr, 'I', kMain, u"SYSTEM", u"PRODACT", u"0"},
    {"GetShiireCheckIni", "SetShiireCheckIni", 'I', kMain, u"SYSTEM", u"仕入率ON", u"0"},
    {"GetShiireRituIni", "SetShiireRituIni", 'I', kMain, u"SYSTEM", u"単価原価率", u"0"},
    {"GetSoundIni", "SetSoundIni", 'I', kMain, u"SYSTEM", u"SOUND", u"0"},
    {"GetStartCheckIni", nullptr, 'I', kMain, u"SYSTEM", u"startcheck", u"0"},
    {"GetSysmenuIni", "SetSysmenuIni", 'I', kMain, u"SYSTEM", u"SYSTEMMENU", u"0"},
    {"GetUndoRedoOffIni", "SetUndoRedoOffIni", 'I', kMain, u"SYSTEM", u"編集取消なし", u"0"},
    {"GetUserHojoIni", "SetUserHojoIni", 'I', kMain, u"SYSTEM", u"ユーザー補助", u"1"},
    {"GetVersionIni", nullptr, 'I', kMain, u"SYSTEM", u"VERSION", u"2"},
    {"GetWindowPos2Ini", nullptr, 'P', kMain, u"SYSTEM", u"画面MODE", u"0"},
    {"GetSystemTitle", nullptr, 'S', kMain, u"SYSTEM", u"TITLE", u""},
    {"GetNippouPathIni", "SetNippouPathIni", 'S', kMain, u"SYSTEM", u"NIPPOUDIR", u""},
    {"GetGengouIni", "SetGengouIni", 'S', kMain, u"SYSTEM", u"GENGOU", u"元号"},
    {"GetCDROMIni", "SetCDROMIni", 'S', kMain, u"DIR", u"CD-ROM", u""},
    {"GetFDIni", "SetFDIni", 'S', kMain, u"DIR", u"FD", u"A:"},
    {"GetInsideTaxNameIni", "SetInsideTaxNameIni", 'S', kMain, u"TAX", u"内税名", u"内税"},
    {"GetKeihiIni", "SetKeihiIni", 'I', kMain, u"KEIHI", u"FORM", u"0"},
    {"GetHukurihiIni", "SetHukurihiIni", 'I', kMain, u"HUKURIHI", u"FORM", u"0"},
    {"GetMaekinIni", "SetMaekinIni", 'I', kMain, u"MAEKIN", u"FORM", u"0"},
    {"GetNebikiIni", "SetNebikiIni", 'I', kMain, u"NEBIKI", u"FORM", u"0"},
    {"GetGenkaKeisanIni", "SetGenkaKeisanIni", 'I', kMain, u"原価計算", u"default", u"0"},
    {"GetMinusMarkIni", "SetMinusMarkIni", 'I', kMain, u"ﾏｲﾅｽ記号", u"default", u"0"},
    {"GetPrnSeikyuIni", "SetPrnSeikyuIni", 'I', kMain, u"印刷請求日更新", u"default", u"0"},
    {"GetRiekiIni", "SetRiekiIni", 'I', kMain, u"利益計算", u"default", u"0"},
    {"GetAnimeDispIni", "SetAnimeDispIni", 'I', kMain, u"ANIME", u"ｱﾆﾒ有り", u"1"},
    {"GetHaisenShuukeiModeIni", nullptr, 'I', kMain, u"図面集計", u"ｱﾆﾒ配線種別", u"0"},
    {nullptr, "SetHaisenShuukeiModeIni", 'I', kMain, u"図面集計", u"配線種別", nullptr},
    {"GetHukurihiHasuu", "SetHukurihiHasuu", 'P', kSek4, u"HISTORY", u"福利費端数", u"0"},
    {"GetModeTankaIni", nullptr, 'I', kSek4, u"HISTORY", u"単価少数点", u"2"},
};
// clang-format on

}  // namespace
