#include "platform/transfer_error_text.h"

#include <curl/curl.h>

namespace platform {

namespace {

const char* Sentence(int curlCode) {
  switch (curlCode) {
    case CURLE_UNSUPPORTED_PROTOCOL: return "この種類の URL には対応していません";
    case CURLE_URL_MALFORMAT: return "URL の形式が正しくありません";
    case CURLE_COULDNT_RESOLVE_PROXY: return "プロキシのホスト名が見つかりません";
    case CURLE_COULDNT_RESOLVE_HOST: return "サーバーのホスト名が見つかりません";
    case CURLE_COULDNT_CONNECT: return "サーバーに接続できません";
    case CURLE_OPERATION_TIMEDOUT: return "サーバーが時間内に応答しません";
    case CURLE_PROXY: return "プロキシが接続を断りました";
    case CURLE_SSL_CONNECT_ERROR: return "暗号化通信 (TLS) を始められません";
    case CURLE_PEER_FAILED_VERIFICATION:
      return "サーバーの証明書を確かめられません (信頼する CA の設定を確認してください)";
    case CURLE_SSL_CACERT_BADFILE: return "信頼する CA 証明書のファイルを読めません";
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_ISSUER_ERROR: return "証明書に問題があります";
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR: return "サーバーとの通信が途中で切れました";
    case CURLE_GOT_NOTHING: return "サーバーが何も返さずに接続を閉じました";
    case CURLE_PARTIAL_FILE: return "ページの途中で接続が切れました";
    case CURLE_BAD_CONTENT_ENCODING: return "ページの圧縮を解けません";
    case CURLE_WEIRD_SERVER_REPLY: return "サーバーの応答が HTTP として読めません";
    case CURLE_TOO_MANY_REDIRECTS: return "リダイレクトが多すぎます";
    case CURLE_WRITE_ERROR: return "受け取ったデータを保存できません";
    case CURLE_OUT_OF_MEMORY: return "メモリが足りません";
    case CURLE_LOGIN_DENIED: return "ログインが拒否されました";
    default: return "通信に失敗しました";
  }
}

}  // namespace

std::string ProxyAuthenticationText(bool loginGiven) {
  return loginGiven ? "プロキシの認証に失敗しました (407: ユーザー名かパスワードが違います)"
                    : "プロキシが認証を求めています (407: プロキシのユーザー名とパスワードを"
                      "「ユーザー:パスワード@ホスト:ポート」の形で設定してください)";
}

std::string TransferErrorText(int curlCode, long connectCode, bool proxyLogin,
                              const std::string& detail) {
  std::string sentence = Sentence(curlCode);
  if (connectCode == 407) {
    sentence = ProxyAuthenticationText(proxyLogin);
  } else if (connectCode >= 400) {
    sentence = "プロキシが接続を断りました (" + std::to_string(connectCode) + ")";
  }
  return detail.empty() ? sentence : sentence + " (" + detail + ")";
}

}  // namespace platform
