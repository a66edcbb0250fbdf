<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>AddFavoriteDialog</name>
    <message>
        <source>お気に入りに追加</source>
        <translation>Add to Favorites</translation>
    </message>
    <message>
        <source>名前(&amp;N):</source>
        <translation>&amp;Name:</translation>
    </message>
</context>
<context>
    <name>AnnotationFiles</name>
    <message>
        <source>%1 に書き込めませんでした: %2</source>
        <translation>%1 could not be written: %2</translation>
    </message>
    <message>
        <source>%1 を読めませんでした: %2</source>
        <translation>%1 could not be read: %2</translation>
    </message>
    <message>
        <source>%1 は JSON ではありません</source>
        <translation>%1 is not JSON</translation>
    </message>
    <message>
        <source>ほか %1 件</source>
        <translation>and %1 more</translation>
    </message>
    <message>
        <source>次の注釈はメモにできないため読み込みませんでした:
</source>
        <translation>These annotations have no memo form and were not read:
</translation>
    </message>
</context>
<context>
    <name>AppSettingPages</name>
    <message>
        <source>表示言語 (Language)</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>デスクトップの言語に従う</source>
        <translation>Follow the desktop</translation>
    </message>
    <message>
        <source>動作</source>
        <translation>Action</translation>
    </message>
    <message>
        <source>%1 から %2 までの整数を入力してください。</source>
        <translation>Please enter a whole number from %1 to %2.</translation>
    </message>
    <message>
        <source>保存フォルダ</source>
        <translation>Memo folder</translation>
    </message>
    <message>
        <source>※Marvoを再実行したときに有効になります</source>
        <translation>* Takes effect when Marvo is started again</translation>
    </message>
    <message>
        <source>Marvoのメモを保存するフォルダを選択してください。</source>
        <translation>Choose the folder where Marvo keeps its memos.</translation>
    </message>
    <message>
        <source>ユーザーエージェント  (Marvoを再実行したときに有効になります)</source>
        <translation>User agent (takes effect when Marvo is started again)</translation>
    </message>
    <message>
        <source>IEと同じ設定を利用する(Mozilla/4.0 ...)</source>
        <translation>The web engine&apos;s own (Mozilla/4.0 ...)</translation>
    </message>
    <message>
        <source>Marvoの設定 (Marvo/1.0 ....)</source>
        <translation>Marvo&apos;s (Marvo/1.0 ....)</translation>
    </message>
    <message>
        <source>その他</source>
        <translation>Other</translation>
    </message>
    <message>
        <source>セキュリティ  （次に開くサイトから有効になります)</source>
        <translation>Security (takes effect from the next site opened)</translation>
    </message>
    <message>
        <source>サウンドの再生</source>
        <translation>Play sounds</translation>
    </message>
    <message>
        <source>ビデオの再生</source>
        <translation>Play videos</translation>
    </message>
    <message>
        <source>画像のダウンロード</source>
        <translation>Download images</translation>
    </message>
    <message>
        <source>ActiveXコントロールの実行</source>
        <translation>Run plug-ins</translation>
    </message>
    <message>
        <source>ActiveXコントロールのダウンロード</source>
        <translation>Download plug-ins</translation>
    </message>
    <message>
        <source>スクリプトの実行</source>
        <translation>Run scripts</translation>
    </message>
    <message>
        <source>Javaの実行</source>
        <translation>Run Java</translation>
    </message>
    <message>
        <source>ユーザ認証ダイアログを表示しない</source>
        <translation>Do not show sign-in dialogs</translation>
    </message>
    <message>
        <source>ポップアップのブロック</source>
        <translation>Block pop-ups</translation>
    </message>
    <message>
        <source>スクリプトのエラーを表示しない</source>
        <translation>Do not show script errors</translation>
    </message>
    <message>
        <source>お気に入り</source>
        <translation>Favorites</translation>
    </message>
    <message>
        <source>毎回IEと同じ順序に並び替える</source>
        <translation>Always sort in the stored favorites order</translation>
    </message>
    <message>
        <source>起動時</source>
        <translation>At start</translation>
    </message>
    <message>
        <source>ホームページを開く</source>
        <translation>Open the home page</translation>
    </message>
    <message>
        <source>前回開いていたサイトを開く</source>
        <translation>Open the sites open last time</translation>
    </message>
    <message>
        <source>追加するProxyサーバアドレス</source>
        <translation>Proxy server address to add</translation>
    </message>
    <message>
        <source>追加</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>例: proxy.example.co.jp:8080</source>
        <translation>Example: proxy.example.co.jp:8080</translation>
    </message>
    <message>
        <source>登録されているProxyサーバ</source>
        <translation>Proxy servers</translation>
    </message>
    <message>
        <source>削除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>ファイヤーウォール用</source>
        <translation>For the firewall</translation>
    </message>
    <message>
        <source>ログイン名:</source>
        <translation>User name:</translation>
    </message>
    <message>
        <source>パスワード:</source>
        <translation>Password:</translation>
    </message>
    <message>
        <source>終了時に個人情報を消す</source>
        <translation>Clear private data on exit</translation>
    </message>
    <message>
        <source>クッキー</source>
        <translation>Cookies</translation>
    </message>
    <message>
        <source>履歴</source>
        <translation>History</translation>
    </message>
    <message>
        <source>一時ファイル</source>
        <translation>Temporary files</translation>
    </message>
    <message>
        <source>最近閉じた履歴</source>
        <translation>Recently closed pages</translation>
    </message>
    <message>
        <source>登録されているマウスジェスチャ</source>
        <translation>Mouse gestures</translation>
    </message>
    <message>
        <source>ジェスチャー</source>
        <translation>Gesture</translation>
    </message>
    <message>
        <source>ジェスチャの作成</source>
        <translation>New gesture</translation>
    </message>
    <message>
        <source>クリア</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>マウス操作割り当て</source>
        <translation>Mouse button commands</translation>
    </message>
    <message>
        <source>左→右クリック</source>
        <translation>Left, then right click</translation>
    </message>
    <message>
        <source>右→左クリック</source>
        <translation>Right, then left click</translation>
    </message>
    <message>
        <source>登録されているキー操作</source>
        <translation>Key commands</translation>
    </message>
    <message>
        <source>キー操作</source>
        <translation>Keys</translation>
    </message>
    <message>
        <source>キー操作の割り当て</source>
        <translation>Assign keys</translation>
    </message>
    <message>
        <source>ダブルバッファリングを使用する(CSSのFilterには未対応です)</source>
        <translation>Use double buffering (not for CSS filters)</translation>
    </message>
    <message>
        <source>検索を利用するサーチエンジン</source>
        <translation>Search engine for the address bar</translation>
    </message>
    <message>
        <source>情報共有</source>
        <translation>Sharing</translation>
    </message>
    <message>
        <source>ポート</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>プライベートエリア(情報共有を行わないサイト)</source>
        <translation>Private area (sites not shared)</translation>
    </message>
    <message>
        <source>※追加するにはステータスバーの「情報共有待機中」をクリックしてください</source>
        <translation>* To add one, click &quot;Sharing: idle&quot; in the status bar</translation>
    </message>
    <message>
        <source>位置情報も共有する</source>
        <translation>Share positions too</translation>
    </message>
    <message>
        <source>ユーザーID:</source>
        <translation>User ID:</translation>
    </message>
    <message>
        <source>インスタントメッセージのチェック時間</source>
        <translation>Check for instant messages every</translation>
    </message>
    <message>
        <source>秒ごと</source>
        <translation>seconds</translation>
    </message>
    <message>
        <source>サーバのアドレスに &quot; &lt; &amp; や制御文字は使えません。</source>
        <translation>The server address cannot hold &quot; &lt; &amp; or control characters.</translation>
    </message>
    <message>
        <source>関連付けるタイプ</source>
        <translation>File types to open with Marvo</translation>
    </message>
</context>
<context>
    <name>AppSettingSheet</name>
    <message>
        <source>Marvoの設定</source>
        <translation>Marvo Settings</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>フォルダ</source>
        <translation>Folder</translation>
    </message>
    <message>
        <source>ブラウザ</source>
        <translation>Browser</translation>
    </message>
    <message>
        <source>Proxyリスト</source>
        <translation>Proxy List</translation>
    </message>
    <message>
        <source>終了時処理</source>
        <translation>On Exit</translation>
    </message>
    <message>
        <source>マウスジェスチャ</source>
        <translation>Mouse Gestures</translation>
    </message>
    <message>
        <source>キーの割り当て</source>
        <translation>Keys</translation>
    </message>
    <message>
        <source>表示</source>
        <translation>Display</translation>
    </message>
    <message>
        <source>アドレスバーサーチ</source>
        <translation>Address Bar Search</translation>
    </message>
    <message>
        <source>通信</source>
        <translation>Network</translation>
    </message>
    <message>
        <source>関連付け</source>
        <translation>File Types</translation>
    </message>
</context>
<context>
    <name>CAppSettingPageBrowser</name>
    <message>
        <source>ホームページ (ホーム、新しいタブ、起動時に開くページ)</source>
        <translation>Home page (Home, new tabs, the page opened at start)</translation>
    </message>
    <message>
        <source>アドレス:</source>
        <translation>Address:</translation>
    </message>
    <message>
        <source>現在のページを使用</source>
        <translation>Use Current Page</translation>
    </message>
    <message>
        <source>空白を使用</source>
        <translation>Use Blank Page</translation>
    </message>
    <message>
        <source>背面のタブ</source>
        <translation>Background tabs</translation>
    </message>
    <message>
        <source>メモリを解放するまでの時間:</source>
        <translation>Free their memory after:</translation>
    </message>
    <message>
        <source> 分</source>
        <translation> min</translation>
    </message>
    <message>
        <source>解放しない</source>
        <translation>Never</translation>
    </message>
</context>
<context>
    <name>DownloadManager</name>
    <message>
        <source>Marvo の終了で中断されました</source>
        <translation>Interrupted when Marvo quit</translation>
    </message>
    <message>
        <source>名前を付けて保存</source>
        <translation>Save As</translation>
    </message>
    <message>
        <source>ファイルを書き込めませんでした</source>
        <translation>The file could not be written</translation>
    </message>
    <message>
        <source>%1 バイト</source>
        <translation>%1 bytes</translation>
    </message>
    <message>
        <source>完了 — %1</source>
        <translation>Done — %1</translation>
    </message>
    <message>
        <source>キャンセルしました</source>
        <translation>Cancelled</translation>
    </message>
    <message>
        <source>失敗: %1</source>
        <translation>Failed: %1</translation>
    </message>
    <message>
        <source>%1 / %2</source>
        <translation>%1 / %2</translation>
    </message>
    <message>
        <source>、%1/秒</source>
        <translation>, %1/s</translation>
    </message>
    <message>
        <source>、残り %1 分 %2 秒</source>
        <translation>, %1 min %2 s left</translation>
    </message>
    <message>
        <source>、残り %1 秒</source>
        <translation>, %1 s left</translation>
    </message>
    <message>
        <source>サーバーとの接続が途中で切れました</source>
        <translation>The connection to the server was lost</translation>
    </message>
    <message>
        <source>ディスクの空き領域が足りません</source>
        <translation>Not enough free disk space</translation>
    </message>
    <message>
        <source>保存先に書き込めません</source>
        <translation>The destination cannot be written</translation>
    </message>
    <message>
        <source>ファイル名が長すぎます</source>
        <translation>The file name is too long</translation>
    </message>
    <message>
        <source>ファイルが大きすぎて保存できません</source>
        <translation>The file is too large to save</translation>
    </message>
    <message>
        <source>サーバーに接続できません</source>
        <translation>The server cannot be reached</translation>
    </message>
    <message>
        <source>サーバーがダウンロードを拒否しました</source>
        <translation>The server refused the download</translation>
    </message>
    <message>
        <source>サーバーにファイルがありません</source>
        <translation>The server does not have the file</translation>
    </message>
    <message>
        <source>ダウンロードできませんでした</source>
        <translation>The download failed</translation>
    </message>
</context>
<context>
    <name>DownloadRow</name>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>開く</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>フォルダに表示</source>
        <translation>Show in Folder</translation>
    </message>
</context>
<context>
    <name>DownloadsWindow</name>
    <message>
        <source>ダウンロード</source>
        <translation>Downloads</translation>
    </message>
    <message>
        <source>一覧のクリア</source>
        <translation>Clear List</translation>
    </message>
</context>
<context>
    <name>FavoriteDlg</name>
    <message>
        <source>追加...</source>
        <translation>Add...</translation>
    </message>
    <message>
        <source>整理...</source>
        <translation>Organize...</translation>
    </message>
    <message>
        <source>削除の確認</source>
        <translation>Confirm Deletion</translation>
    </message>
    <message>
        <source>&apos;%1&apos; を削除しますか?</source>
        <translation>Delete &apos;%1&apos;?</translation>
    </message>
    <message>
        <source>名前: %1
場所: %2</source>
        <translation>Name: %1
Location: %2</translation>
    </message>
    <message>
        <source>プロパティ</source>
        <translation>Properties</translation>
    </message>
    <message>
        <source> は既に存在します。上書きしますか?</source>
        <translation> already exists. Overwrite it?</translation>
    </message>
</context>
<context>
    <name>FindBar</name>
    <message>
        <source>検索:</source>
        <translation>Find:</translation>
    </message>
    <message>
        <source>前を検索 (Shift+Enter, Shift+F3)</source>
        <translation>Find previous (Shift+Enter, Shift+F3)</translation>
    </message>
    <message>
        <source>次を検索 (Enter, F3)</source>
        <translation>Find next (Enter, F3)</translation>
    </message>
    <message>
        <source>検索バーを閉じる (Esc)</source>
        <translation>Close the find bar (Esc)</translation>
    </message>
    <message>
        <source>%1 / %2 件</source>
        <translation>%1 of %2</translation>
    </message>
    <message>
        <source>見つかりません</source>
        <translation>Not found</translation>
    </message>
    <message>
        <source>大文字と小文字を区別</source>
        <translation>Match case</translation>
    </message>
</context>
<context>
    <name>InstantMessageDlg</name>
    <message>
        <source>インスタントメッセージの送信</source>
        <translation>Send Instant Message</translation>
    </message>
    <message>
        <source>送信</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>宛先</source>
        <translation>To</translation>
    </message>
    <message>
        <source>内容</source>
        <translation>Message</translation>
    </message>
    <message>
        <source>返信</source>
        <translation>Reply</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>LinkBar</name>
    <message>
        <source>リンク </source>
        <translation>Links </translation>
    </message>
    <message>
        <source>名前: %1</source>
        <translation>Name: %1</translation>
    </message>
    <message>
        <source>プロパティ</source>
        <translation>Properties</translation>
    </message>
    <message>
        <source>名前の変更</source>
        <translation>Rename</translation>
    </message>
    <message>
        <source>名前:</source>
        <translation>Name:</translation>
    </message>
</context>
<context>
    <name>MainFrameBars</name>
    <message>
        <source>お気に入り</source>
        <translation>Favorites</translation>
    </message>
    <message>
        <source>メモ履歴</source>
        <translation>Memo History</translation>
    </message>
    <message>
        <source>履歴</source>
        <translation>History</translation>
    </message>
</context>
<context>
    <name>MarvoApp</name>
    <message>
        <source>メモファイル (*.ame)</source>
        <translation>Memo files (*.ame)</translation>
    </message>
    <message>
        <source>バージョン情報 Marvo</source>
        <translation>About Marvo</translation>
    </message>
    <message>
        <source>Marvo %1
メモを書き込めるタブブラウザ</source>
        <translation>Marvo %1
A tabbed browser you can write memos on</translation>
    </message>
    <message>
        <source>前回は正しく終了しませんでした。そのとき開いていたタブを復元しますか?</source>
        <translation>Marvo did not close properly last time. Restore the tabs that were open then?</translation>
    </message>
</context>
<context>
    <name>MemoBarDlg</name>
    <message>
        <source>メモを検索</source>
        <translation>Find memos</translation>
    </message>
    <message>
        <source>検索</source>
        <translation>Search</translation>
    </message>
    <message>
        <source>ローカル</source>
        <translation>Local</translation>
    </message>
    <message>
        <source>移動</source>
        <translation>Go</translation>
    </message>
    <message>
        <source>開く</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>削除</source>
        <translation>Delete</translation>
    </message>
</context>
<context>
    <name>MemoSearchDialog</name>
    <message>
        <source>サーバ内のメモを検索</source>
        <translation>Search Memos on the Server</translation>
    </message>
    <message>
        <source>今日メモが更新されたサイト</source>
        <translation>Sites whose memos changed today</translation>
    </message>
    <message>
        <source>一週間以内にメモが更新されたサイト</source>
        <translation>Sites whose memos changed within a week</translation>
    </message>
    <message>
        <source>更新日時指定</source>
        <translation>Changed around a date</translation>
    </message>
    <message>
        <source>URLで検索</source>
        <translation>Search by address</translation>
    </message>
    <message>
        <source>年</source>
        <translation>year</translation>
    </message>
    <message>
        <source>月</source>
        <translation>month</translation>
    </message>
    <message>
        <source>日から</source>
        <translation>day, within</translation>
    </message>
    <message>
        <source>前後</source>
        <translation>either side,</translation>
    </message>
    <message>
        <source>日以内</source>
        <translation>days</translation>
    </message>
    <message>
        <source>URL(一部でも可)</source>
        <translation>Address (or a part of it)</translation>
    </message>
</context>
<context>
    <name>Menus</name>
    <message>
        <source>ファイル(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>新規作成</source>
        <translation>New Tab</translation>
    </message>
    <message>
        <source>開く...</source>
        <translation>Open...</translation>
    </message>
    <message>
        <source>メモを開く</source>
        <translation>Open Memos</translation>
    </message>
    <message>
        <source>最近閉じたページ(&amp;R)</source>
        <translation>&amp;Recently Closed Pages</translation>
    </message>
    <message>
        <source>最後に閉じたページ</source>
        <translation>Last Closed Page</translation>
    </message>
    <message>
        <source>インスタントメッセージの送信(&amp;I)</source>
        <translation>Send &amp;Instant Message</translation>
    </message>
    <message>
        <source>オフライン作業</source>
        <translation>Work Offline</translation>
    </message>
    <message>
        <source>アプリケーションの終了(&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>表示(&amp;V)</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>ツール バー(&amp;T)</source>
        <translation>&amp;Toolbar</translation>
    </message>
    <message>
        <source>アドレス バー</source>
        <translation>Address Bar</translation>
    </message>
    <message>
        <source>リンクバー</source>
        <translation>Links Bar</translation>
    </message>
    <message>
        <source>描画バー</source>
        <translation>Drawing Bar</translation>
    </message>
    <message>
        <source>ステータス バー(&amp;S)</source>
        <translation>&amp;Status Bar</translation>
    </message>
    <message>
        <source>エクスプローラ バー(&amp;E)</source>
        <translation>&amp;Explorer Bar</translation>
    </message>
    <message>
        <source>お気に入り</source>
        <translation>Favorites</translation>
    </message>
    <message>
        <source>履歴</source>
        <translation>History</translation>
    </message>
    <message>
        <source>メモ履歴</source>
        <translation>Memo History</translation>
    </message>
    <message>
        <source>ホーム</source>
        <translation>Home</translation>
    </message>
    <message>
        <source>お気に入り(&amp;A)</source>
        <translation>F&amp;avorites</translation>
    </message>
    <message>
        <source>お気に入りに追加(&amp;A)...</source>
        <translation>&amp;Add to Favorites...</translation>
    </message>
    <message>
        <source>お気に入りの整理(&amp;O)...</source>
        <translation>&amp;Organize Favorites...</translation>
    </message>
    <message>
        <source>ツール(&amp;T)</source>
        <translation>&amp;Tools</translation>
    </message>
    <message>
        <source>個人情報の消去</source>
        <translation>Clear Private Data</translation>
    </message>
    <message>
        <source>プロキシ(&amp;P)</source>
        <translation>&amp;Proxy</translation>
    </message>
    <message>
        <source>直接接続</source>
        <translation>Direct Connection</translation>
    </message>
    <message>
        <source>インターネットオプションで接続</source>
        <translation>Connect with Internet Options</translation>
    </message>
    <message>
        <source>インターネットオプション</source>
        <translation>Internet Options</translation>
    </message>
    <message>
        <source>Marvoの設定</source>
        <translation>Marvo Settings</translation>
    </message>
    <message>
        <source>ヘルプ(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>Marvoオンラインヘルプ(&amp;O)</source>
        <translation>Marvo &amp;Online Help</translation>
    </message>
    <message>
        <source>バージョン情報 Marvo(&amp;A)...</source>
        <translation>&amp;About Marvo...</translation>
    </message>
    <message>
        <source>名前を付けて保存(&amp;A)...</source>
        <translation>Save &amp;As...</translation>
    </message>
    <message>
        <source>ページのバックアップ</source>
        <translation>Back Up Page</translation>
    </message>
    <message>
        <source>ページを画像にして保存</source>
        <translation>Save Page as Image</translation>
    </message>
    <message>
        <source>メールに添付できる形で保存</source>
        <translation>Save for Mail Attachment</translation>
    </message>
    <message>
        <source>メモを添付したメールの作成</source>
        <translation>New Mail with Memos</translation>
    </message>
    <message>
        <source>ページ設定(&amp;U)...</source>
        <translation>Page Set&amp;up...</translation>
    </message>
    <message>
        <source>印刷プレビュー</source>
        <translation>Print Preview</translation>
    </message>
    <message>
        <source>印刷(&amp;P)</source>
        <translation>&amp;Print</translation>
    </message>
    <message>
        <source>メモごと印刷</source>
        <translation>Print with Memos</translation>
    </message>
    <message>
        <source>メモごと印刷プレビュー</source>
        <translation>Print Preview with Memos</translation>
    </message>
    <message>
        <source>選択領域の印刷</source>
        <translation>Print Selected Area</translation>
    </message>
    <message>
        <source>閉じる(&amp;C)</source>
        <translation>&amp;Close</translation>
    </message>
    <message>
        <source>編集(&amp;E)</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>元に戻す(&amp;U)</source>
        <translation>&amp;Undo</translation>
    </message>
    <message>
        <source>切り取り(&amp;T)</source>
        <translation>Cu&amp;t</translation>
    </message>
    <message>
        <source>コピー(&amp;C)</source>
        <translation>&amp;Copy</translation>
    </message>
    <message>
        <source>選択部のURLをコピー</source>
        <translation>Copy Addresses in Selection</translation>
    </message>
    <message>
        <source>貼り付け(&amp;P)</source>
        <translation>&amp;Paste</translation>
    </message>
    <message>
        <source>削除(&amp;D)</source>
        <translation>&amp;Delete</translation>
    </message>
    <message>
        <source>このページの検索(&amp;F)</source>
        <translation>&amp;Find on This Page</translation>
    </message>
    <message>
        <source>戻る</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>次に進む</source>
        <translation>Forward</translation>
    </message>
    <message>
        <source>中止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>最新の情報に更新</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>文字のサイズ(&amp;X)</source>
        <translation>Te&amp;xt Size</translation>
    </message>
    <message>
        <source>最大</source>
        <translation>Largest</translation>
    </message>
    <message>
        <source>大</source>
        <translation>Larger</translation>
    </message>
    <message>
        <source>中</source>
        <translation>Medium</translation>
    </message>
    <message>
        <source>小</source>
        <translation>Smaller</translation>
    </message>
    <message>
        <source>最小</source>
        <translation>Smallest</translation>
    </message>
    <message>
        <source>ソース</source>
        <translation>Source</translation>
    </message>
    <message>
        <source>操作(&amp;O)</source>
        <translation>&amp;Operation</translation>
    </message>
    <message>
        <source>閲覧モード</source>
        <translation>Browse Mode</translation>
    </message>
    <message>
        <source>選択モード</source>
        <translation>Select Mode</translation>
    </message>
    <message>
        <source>フリーハンド</source>
        <translation>Freehand</translation>
    </message>
    <message>
        <source>消しゴム</source>
        <translation>Eraser</translation>
    </message>
    <message>
        <source>テキスト</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>図形</source>
        <translation>Shape</translation>
    </message>
    <message>
        <source>スタンプ</source>
        <translation>Stamp</translation>
    </message>
    <message>
        <source>特殊効果</source>
        <translation>Effect</translation>
    </message>
    <message>
        <source>クリア</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>ウィンドウ(&amp;W)</source>
        <translation>&amp;Window</translation>
    </message>
    <message>
        <source>全て閉じる</source>
        <translation>Close All</translation>
    </message>
    <message>
        <source>このタブ以外を閉じる</source>
        <translation>Close Other Tabs</translation>
    </message>
    <message>
        <source>右を全て閉じる</source>
        <translation>Close Tabs to the Right</translation>
    </message>
    <message>
        <source>左を全て閉じる</source>
        <translation>Close Tabs to the Left</translation>
    </message>
    <message>
        <source>移動</source>
        <translation>Go</translation>
    </message>
    <message>
        <source>開く</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>削除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>開く(&amp;O)</source>
        <translation>&amp;Open</translation>
    </message>
    <message>
        <source>新しいタブで開く(&amp;N)</source>
        <translation>Open in &amp;New Tab</translation>
    </message>
    <message>
        <source>フォルダの新規作成(&amp;W)</source>
        <translation>Ne&amp;w Folder</translation>
    </message>
    <message>
        <source>名前の変更(&amp;M)</source>
        <translation>Rena&amp;me</translation>
    </message>
    <message>
        <source>プロパティ(&amp;R)</source>
        <translation>P&amp;roperties</translation>
    </message>
    <message>
        <source>進む</source>
        <translation>Forward</translation>
    </message>
    <message>
        <source>オブジェクト</source>
        <translation>Object</translation>
    </message>
    <message>
        <source>プロパティ(&amp;P)</source>
        <translation>&amp;Properties</translation>
    </message>
    <message>
        <source>タブ</source>
        <translation>Tab</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>前に戻る</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>お気に入りに追加</source>
        <translation>Add to Favorites</translation>
    </message>
    <message>
        <source>選択範囲の印刷</source>
        <translation>Print Selection</translation>
    </message>
    <message>
        <source>更新</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>自動更新</source>
        <translation>Auto Refresh</translation>
    </message>
    <message>
        <source>自動更新しない</source>
        <translation>No Auto Refresh</translation>
    </message>
    <message>
        <source>15秒</source>
        <translation>15 Seconds</translation>
    </message>
    <message>
        <source>30秒</source>
        <translation>30 Seconds</translation>
    </message>
    <message>
        <source>1分</source>
        <translation>1 Minute</translation>
    </message>
    <message>
        <source>5分</source>
        <translation>5 Minutes</translation>
    </message>
    <message>
        <source>ナビゲーションロック</source>
        <translation>Navigation Lock</translation>
    </message>
    <message>
        <source>このタブの音を消す</source>
        <translation>Mute Tab</translation>
    </message>
    <message>
        <source>バー</source>
        <translation>Bars</translation>
    </message>
    <message>
        <source>ツールバー</source>
        <translation>Toolbar</translation>
    </message>
    <message>
        <source>アドレスバー</source>
        <translation>Address Bar</translation>
    </message>
    <message>
        <source>リンク</source>
        <translation>Links</translation>
    </message>
    <message>
        <source>ダウンロード(&amp;D)</source>
        <translation>&amp;Downloads</translation>
    </message>
    <message>
        <source>やり直し(&amp;R)</source>
        <translation>&amp;Redo</translation>
    </message>
    <message>
        <source>メモを隠す(&amp;H)</source>
        <translation>&amp;Hide Memos</translation>
    </message>
    <message>
        <source>このページのメモをエクスポート...</source>
        <translation>Export This Page&apos;s Memos...</translation>
    </message>
    <message>
        <source>メモをインポート...</source>
        <translation>Import Memos...</translation>
    </message>
    <message>
        <source>新しいタブ(&amp;T)</source>
        <translation>New &amp;Tab</translation>
    </message>
    <message>
        <source>ズーム(&amp;Z)</source>
        <translation>&amp;Zoom</translation>
    </message>
    <message>
        <source>拡大(&amp;I)</source>
        <translation>Zoom &amp;In</translation>
    </message>
    <message>
        <source>縮小(&amp;O)</source>
        <translation>Zoom &amp;Out</translation>
    </message>
    <message>
        <source>元のサイズ(&amp;R)</source>
        <translation>&amp;Reset Zoom</translation>
    </message>
</context>
<context>
    <name>NetworkOptions</name>
    <message>
        <source>個人情報の削除</source>
        <translation>Clear Private Data</translation>
    </message>
    <message>
        <source>消去する個人情報</source>
        <translation>Private data to clear</translation>
    </message>
    <message>
        <source>クッキー</source>
        <translation>Cookies</translation>
    </message>
    <message>
        <source>履歴</source>
        <translation>History</translation>
    </message>
    <message>
        <source>一時ファイル</source>
        <translation>Temporary files</translation>
    </message>
    <message>
        <source>最近閉じた履歴</source>
        <translation>Recently closed pages</translation>
    </message>
    <message>
        <source>サイトへの許可</source>
        <translation>Site permissions</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>ObjectPropDialog</name>
    <message>
        <source>プロパティ</source>
        <translation>Properties</translation>
    </message>
    <message>
        <source>作成者:</source>
        <translation>Author:</translation>
    </message>
    <message>
        <source>オブジェクトタイプ:</source>
        <translation>Object type:</translation>
    </message>
    <message>
        <source>更新日時:</source>
        <translation>Changed:</translation>
    </message>
    <message>
        <source>作成者以外は内容を編集できないようにする</source>
        <translation>Only the author may edit it</translation>
    </message>
</context>
<context>
    <name>OptionPanels</name>
    <message>
        <source>ペンの色</source>
        <translation>Pen colour</translation>
    </message>
    <message>
        <source>ふちの色</source>
        <translation>Border colour</translation>
    </message>
    <message>
        <source>始点に矢印</source>
        <translation>Arrow at the start</translation>
    </message>
    <message>
        <source>終点に矢印</source>
        <translation>Arrow at the end</translation>
    </message>
    <message>
        <source>左ドラッグで線を描きます。</source>
        <translation>Drag with the left button to draw.</translation>
    </message>
    <message>
        <source>書いた線は右クリックで消去できます。</source>
        <translation>Right-click a line to erase it.</translation>
    </message>
    <message>
        <source>フォント</source>
        <translation>Font</translation>
    </message>
    <message>
        <source>サイズ</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>文字色</source>
        <translation>Text colour</translation>
    </message>
    <message>
        <source>背景色</source>
        <translation>Background</translation>
    </message>
    <message>
        <source>透明度</source>
        <translation>Opacity</translation>
    </message>
    <message>
        <source>吹</source>
        <translation>Bal</translation>
    </message>
    <message>
        <source>ふちの太さ</source>
        <translation>Border width</translation>
    </message>
    <message>
        <source>領域効果</source>
        <translation>Area effect</translation>
    </message>
    <message>
        <source>モザイク</source>
        <translation>Mosaic</translation>
    </message>
    <message>
        <source>レンズ</source>
        <translation>Lens</translation>
    </message>
    <message>
        <source>ぼかし</source>
        <translation>Blur</translation>
    </message>
    <message>
        <source>ネガ</source>
        <translation>Negative</translation>
    </message>
    <message>
        <source>スタンプ</source>
        <translation>Stamp</translation>
    </message>
</context>
<context>
    <name>PageBackup</name>
    <message>
        <source>保存するフォルダを選択してください</source>
        <translation>Choose the folder to save into</translation>
    </message>
    <message>
        <source>ページを保存しています...</source>
        <translation>Saving the page...</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>PageOutput</name>
    <message>
        <source>メール システムを読み込めません。</source>
        <translation>No mail program is available.</translation>
    </message>
    <message>
        <source>メールを送信できませんでした。</source>
        <translation>The mail could not be sent.</translation>
    </message>
    <message>
        <source>メモファイル (*.ame)</source>
        <translation>Memo files (*.ame)</translation>
    </message>
    <message>
        <source>ページの画像を作成できませんでした。</source>
        <translation>The picture of the page could not be made.</translation>
    </message>
    <message>
        <source>画像を保存できませんでした。</source>
        <translation>The picture could not be saved.</translation>
    </message>
</context>
<context>
    <name>PermissionBar</name>
    <message>
        <source>通知の表示</source>
        <translation>showing notifications</translation>
    </message>
    <message>
        <source>現在地の利用</source>
        <translation>your location</translation>
    </message>
    <message>
        <source>マイクの使用</source>
        <translation>your microphone</translation>
    </message>
    <message>
        <source>カメラの使用</source>
        <translation>your camera</translation>
    </message>
    <message>
        <source>カメラとマイクの使用</source>
        <translation>your camera and microphone</translation>
    </message>
    <message>
        <source>マウスポインターの固定</source>
        <translation>locking the mouse pointer</translation>
    </message>
    <message>
        <source>画面の共有</source>
        <translation>sharing your screen</translation>
    </message>
    <message>
        <source>画面と音声の共有</source>
        <translation>sharing your screen and sound</translation>
    </message>
    <message>
        <source>全画面表示</source>
        <translation>full screen</translation>
    </message>
    <message>
        <source>このサイトでは記憶する</source>
        <translation>Remember for this site</translation>
    </message>
    <message>
        <source>許可</source>
        <translation>Allow</translation>
    </message>
    <message>
        <source>拒否</source>
        <translation>Deny</translation>
    </message>
    <message>
        <source>%1 が%2を求めています。</source>
        <translation>%1 asks for %2.</translation>
    </message>
</context>
<context>
    <name>SavePageAs</name>
    <message>
        <source>Web ページ、完全 (*.htm *.html)</source>
        <translation>Web page, complete (*.htm *.html)</translation>
    </message>
    <message>
        <source>Web アーカイブ、単一のファイル (*.mht *.mhtml)</source>
        <translation>Web archive, single file (*.mht *.mhtml)</translation>
    </message>
    <message>
        <source>Web ページ、HTML のみ (*.htm *.html)</source>
        <translation>Web page, HTML only (*.htm *.html)</translation>
    </message>
    <message>
        <source>テキスト ファイル (*.txt)</source>
        <translation>Text file (*.txt)</translation>
    </message>
</context>
<context>
    <name>SiteAuthentication</name>
    <message>
        <source>ユーザ認証</source>
        <translation>Sign In</translation>
    </message>
    <message>
        <source>%1 にログインします。</source>
        <translation>Sign in to %1.</translation>
    </message>
    <message>
        <source>ユーザー名:</source>
        <translation>User name:</translation>
    </message>
    <message>
        <source>パスワード:</source>
        <translation>Password:</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>SiteOpenDialog</name>
    <message>
        <source>開く</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>開くサイトのアドレスを入力してください:</source>
        <translation>Enter the address of the site to open:</translation>
    </message>
</context>
<context>
    <name>SiteSearchBand</name>
    <message>
        <source>サイト内検索:</source>
        <translation>Site search:</translation>
    </message>
    <message>
        <source>サイト内検索</source>
        <translation>Site Search</translation>
    </message>
</context>
<context>
    <name>StringTable</name>
    <message>
        <source>OLE の初期化に失敗しました。 OLE ライブラリのバージョンが正しいことを確認してください。</source>
        <translation>Initialisation failed. Make sure the libraries are of the right version.</translation>
    </message>
    <message>
        <source>Windows ソケットの初期化に失敗しました。</source>
        <translation>The network sockets could not be initialised.</translation>
    </message>
    <message>
        <source>情報共有待機中</source>
        <translation>Sharing: idle</translation>
    </message>
    <message>
        <source>検索中・・・</source>
        <translation>Checking...</translation>
    </message>
    <message>
        <source>ダウンロード中・・・</source>
        <translation>Downloading...</translation>
    </message>
    <message>
        <source>ブラウザのサイズを現在のウインドウサイズにあわせます。<byte value="xd"/>
メモの位置がずれますがよろしいですか？</source>
        <translation>The browser will take the size of the current window.<byte value="xd"/>
Memos may move out of place. Continue?</translation>
    </message>
    <message>
        <source>現在表示しているサイトは情報共有しないようにします。よろしいですか？</source>
        <translation>The site shown will no longer be shared. Continue?</translation>
    </message>
    <message>
        <source>プライベートエリア</source>
        <translation>Private area</translation>
    </message>
    <message>
        <source>アドレス/検索:</source>
        <translation>Address/Search:</translation>
    </message>
    <message>
        <source>ファイルを作成できませんでした。</source>
        <translation>The file could not be created.</translation>
    </message>
    <message>
        <source>の名前を変更できません。指定されたファイル名は既に存在します。別の名前を指定してください。</source>
        <translation> cannot be renamed: a file of that name exists already. Please choose another name.</translation>
    </message>
    <message>
        <source>を移動できません。</source>
        <translation> cannot be moved.</translation>
    </message>
    <message>
        <source>お気に入りのページを開きます
お気に入り</source>
        <translation>Opens a favorite page
Favorites</translation>
    </message>
    <message>
        <source>戻る</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>お気に入り</source>
        <translation>Favorites</translation>
    </message>
    <message>
        <source>このオブジェクトは作成者によってロックされているので削除できません。</source>
        <translation>This object is locked by its author and cannot be deleted.</translation>
    </message>
    <message>
        <source>このタブに切り替えます
タブの切り替え</source>
        <translation>Switches to this tab
Switch Tab</translation>
    </message>
    <message>
        <source>横幅ロック</source>
        <translation>Width locked</translation>
    </message>
    <message>
        <source>横幅フリー</source>
        <translation>Width free</translation>
    </message>
    <message>
        <source>シングルバッファ</source>
        <translation>Single buffer</translation>
    </message>
    <message>
        <source>ダブルバッファ</source>
        <translation>Double buffer</translation>
    </message>
    <message>
        <source>現在表示されているメモを全て消去します。よろしいですか？</source>
        <translation>All memos shown will be erased. Continue?</translation>
    </message>
    <message>
        <source>メモの保存に失敗しました</source>
        <translation>The memos could not be saved</translation>
    </message>
    <message>
        <source>このサイトにメモは存在しません</source>
        <translation>This site has no memos</translation>
    </message>
    <message>
        <source>ユーザー名リストの取得に失敗しました</source>
        <translation>The list of users could not be fetched</translation>
    </message>
    <message>
        <source>インスタントメッセージの送信に失敗しました</source>
        <translation>The instant message could not be sent</translation>
    </message>
    <message>
        <source>表示されているサイトにはメモがあります。<byte value="xd"/>
フォントサイズを変更するとメモの位置がずれる恐れがあります。変更しますか？</source>
        <translation>The site shown has memos.<byte value="xd"/>
Changing the text size may move them out of place. Change it?</translation>
    </message>
    <message>
        <source>ファイルの読み込みに失敗しました</source>
        <translation>The file could not be read</translation>
    </message>
    <message>
        <source>DDE失敗</source>
        <translation>Handing over to the running Marvo failed</translation>
    </message>
    <message>
        <source>有効なマウスジェスチャーではありません</source>
        <translation>Not a valid mouse gesture</translation>
    </message>
    <message>
        <source>上のサイトへ</source>
        <translation>Up one level</translation>
    </message>
    <message>
        <source>Marvoの実行には、IE6.0以上のインストールが必要です</source>
        <translation>Marvo needs a newer web engine to run</translation>
    </message>
    <message>
        <source>閉じたページをもう一度開きます
最近閉じたページ</source>
        <translation>Opens a closed page again
Recently Closed Pages</translation>
    </message>
    <message>
        <source>この設定を有効にするにはMarvoを再起動してください。</source>
        <translation>Restart Marvo for this setting to take effect.</translation>
    </message>
    <message>
        <source>このプロキシサーバを使って接続します
プロキシサーバ</source>
        <translation>Connects through this proxy server
Proxy Server</translation>
    </message>
    <message>
        <source>開こうとしているサイトにはすでに他のメモが存在します。合成するには「はい」置き換えるには「いいえ」を押してください。</source>
        <translation>The site being opened has other memos already. Press &quot;Yes&quot; to merge them, &quot;No&quot; to replace them.</translation>
    </message>
    <message>
        <source>ツールバンドの表示/非表示を切り替えます
ツールバンド</source>
        <translation>Shows or hides the tool band
Tool Band</translation>
    </message>
    <message>
        <source>コミット中・・・</source>
        <translation>Committing...</translation>
    </message>
    <message>
        <source>削除中・・・・</source>
        <translation>Deleting...</translation>
    </message>
    <message>
        <source>アドレス バーの表示/非表示を切り替えます
アドレス バー</source>
        <translation>Shows or hides the address bar
Address Bar</translation>
    </message>
    <message>
        <source>前のページに戻ります
戻る</source>
        <translation>Goes back to the previous page
Back</translation>
    </message>
    <message>
        <source>次のページに進みます
進む</source>
        <translation>Goes forward to the next page
Forward</translation>
    </message>
    <message>
        <source>ページの読み込みを中止します
中止</source>
        <translation>Stops loading the page
Stop</translation>
    </message>
    <message>
        <source>選択したサイトに移動します
移動</source>
        <translation>Goes to the selected site
Go</translation>
    </message>
    <message>
        <source>選択したサイトを新しいタブで開きます
開く</source>
        <translation>Opens the selected site in a new tab
Open</translation>
    </message>
    <message>
        <source>選択した履歴を削除します
削除</source>
        <translation>Deletes the selected history entry
Delete</translation>
    </message>
    <message>
        <source>現在のページのコンテンツを最新の状態に更新します
更新</source>
        <translation>Reloads the current page
Refresh</translation>
    </message>
    <message>
        <source>ホームページに戻ります
ホーム</source>
        <translation>Goes to the home page
Home</translation>
    </message>
    <message>
        <source>メモを選択して移動や編集をします
選択</source>
        <translation>Selects memos to move or edit them
Select</translation>
    </message>
    <message>
        <source>テキストのメモを書き込みます
テキスト</source>
        <translation>Writes a text memo
Text</translation>
    </message>
    <message>
        <source>フリーハンドで線を描きます
フリーハンド</source>
        <translation>Draws freehand lines
Freehand</translation>
    </message>
    <message>
        <source>メモを描かずにページを閲覧します
閲覧</source>
        <translation>Browses the page without drawing
Browse</translation>
    </message>
    <message>
        <source>描画バーの表示/非表示を切り替えます
描画バー</source>
        <translation>Shows or hides the drawing bar
Drawing Bar</translation>
    </message>
    <message>
        <source>四角形や円などの図形を描きます
図形</source>
        <translation>Draws shapes such as rectangles and circles
Shape</translation>
    </message>
    <message>
        <source>リンクバーの表示/非表示を切り替えます
リンクバー</source>
        <translation>Shows or hides the links bar
Links Bar</translation>
    </message>
    <message>
        <source>現在表示されているメモを全て消去します
クリア</source>
        <translation>Erases all memos shown
Clear</translation>
    </message>
    <message>
        <source>Marvoのオンラインヘルプを表示します
オンラインヘルプ</source>
        <translation>Shows Marvo&apos;s online help
Online Help</translation>
    </message>
    <message>
        <source>メモと一緒にサイトを印刷します
メモごと印刷</source>
        <translation>Prints the site with its memos
Print with Memos</translation>
    </message>
    <message>
        <source>メモと一緒に印刷したときのイメージを表示します
メモごと印刷プレビュー</source>
        <translation>Shows how the site prints with its memos
Print Preview with Memos</translation>
    </message>
    <message>
        <source>リンクのプロパティを表示します
プロパティ</source>
        <translation>Shows the link&apos;s properties
Properties</translation>
    </message>
    <message>
        <source>リンクの名前を変更します
名前の変更</source>
        <translation>Renames the link
Rename</translation>
    </message>
    <message>
        <source>リンクを削除します
削除</source>
        <translation>Deletes the link
Delete</translation>
    </message>
    <message>
        <source>リンクをコピーします
コピー</source>
        <translation>Copies the link
Copy</translation>
    </message>
    <message>
        <source>リンクを切り取ります
切り取り</source>
        <translation>Cuts the link
Cut</translation>
    </message>
    <message>
        <source>リンクを新しいタブで開きます
新しいタブで開く</source>
        <translation>Opens the link in a new tab
Open in New Tab</translation>
    </message>
    <message>
        <source>リンクを開きます
開く</source>
        <translation>Opens the link
Open</translation>
    </message>
    <message>
        <source>現在のページをお気に入りに追加します
お気に入りに追加</source>
        <translation>Adds the current page to the favorites
Add to Favorites</translation>
    </message>
    <message>
        <source>お気に入りのフォルダを整理します
お気に入りの整理</source>
        <translation>Organizes the favorites folders
Organize Favorites</translation>
    </message>
    <message>
        <source>文字のサイズを最大にします
最大</source>
        <translation>Makes the text largest
Largest</translation>
    </message>
    <message>
        <source>文字のサイズを大にします
大</source>
        <translation>Makes the text larger
Larger</translation>
    </message>
    <message>
        <source>文字のサイズを中にします
中</source>
        <translation>Makes the text medium
Medium</translation>
    </message>
    <message>
        <source>文字のサイズを小にします
小</source>
        <translation>Makes the text smaller
Smaller</translation>
    </message>
    <message>
        <source>文字のサイズを最小にします
最小</source>
        <translation>Makes the text smallest
Smallest</translation>
    </message>
    <message>
        <source>矩形選択範囲のみを印刷します
選択領域の印刷</source>
        <translation>Prints only a rectangle you select
Print Selected Area</translation>
    </message>
    <message>
        <source>お気に入りのプロパティを表示します
プロパティ</source>
        <translation>Shows the favorite&apos;s properties
Properties</translation>
    </message>
    <message>
        <source>お気に入りを削除します
削除</source>
        <translation>Deletes the favorite
Delete</translation>
    </message>
    <message>
        <source>新しいフォルダを作成します
フォルダの新規作成</source>
        <translation>Creates a new folder
New Folder</translation>
    </message>
    <message>
        <source>お気に入りを新しいタブで開きます
新しいタブで開く</source>
        <translation>Opens the favorite in a new tab
Open in New Tab</translation>
    </message>
    <message>
        <source>全てのタブを閉じます
全て閉じる</source>
        <translation>Closes all tabs
Close All</translation>
    </message>
    <message>
        <source>メモの作成者や更新日時を表示します
プロパティ</source>
        <translation>Shows the memo&apos;s author and times
Properties</translation>
    </message>
    <message>
        <source>インスタントメッセージを送信します
インスタントメッセージの送信</source>
        <translation>Sends an instant message
Send Instant Message</translation>
    </message>
    <message>
        <source>お気に入りを表示します
お気に入り</source>
        <translation>Shows the favorites
Favorites</translation>
    </message>
    <message>
        <source>サーバのディレクトリ構成のままページをバックアップ
ページのバックアップ</source>
        <translation>Backs up the page in the server&apos;s folder layout
Back Up Page</translation>
    </message>
    <message>
        <source>履歴を表示します
履歴</source>
        <translation>Shows the history
History</translation>
    </message>
    <message>
        <source>メモのあるサイトの一覧を表示します
メモ履歴</source>
        <translation>Lists the sites that have memos
Memo History</translation>
    </message>
    <message>
        <source>現在のページを画像にして保存します
ページを画像にして保存</source>
        <translation>Saves the current page as an image
Save Page as Image</translation>
    </message>
    <message>
        <source>サイトのアドレスを指定して新しいタブで開きます
開く</source>
        <translation>Opens a site by its address in a new tab
Open</translation>
    </message>
    <message>
        <source>メモをメールに添付できる形で保存します
メモの保存</source>
        <translation>Saves the memos for a mail attachment
Save Memos</translation>
    </message>
    <message>
        <source>メモファイルを開きます
メモを開く</source>
        <translation>Opens a memo file
Open Memos</translation>
    </message>
    <message>
        <source>お気に入りを開きます
開く</source>
        <translation>Opens the favorite
Open</translation>
    </message>
    <message>
        <source>このページに戻ります
戻る</source>
        <translation>Goes back to this page
Back</translation>
    </message>
    <message>
        <source>このページに進みます
進む</source>
        <translation>Goes forward to this page
Forward</translation>
    </message>
    <message>
        <source>インターネットオプションを設定します
インターネットオプション</source>
        <translation>Sets the internet options
Internet Options</translation>
    </message>
    <message>
        <source>メモを消しゴムで消します
消しゴム</source>
        <translation>Erases memos with the eraser
Eraser</translation>
    </message>
    <message>
        <source>スタンプを押します
スタンプ</source>
        <translation>Puts a stamp
Stamp</translation>
    </message>
    <message>
        <source>お気に入りの名前を変更します
名前の変更</source>
        <translation>Renames the favorite
Rename</translation>
    </message>
    <message>
        <source>Marvoの設定を変更します
Marvoの設定</source>
        <translation>Changes Marvo&apos;s settings
Marvo Settings</translation>
    </message>
    <message>
        <source>指定した領域に特殊効果をかけます
効果</source>
        <translation>Applies an effect to an area
Effect</translation>
    </message>
    <message>
        <source>選択されているメモを削除します
削除</source>
        <translation>Deletes the selected memos
Delete</translation>
    </message>
    <message>
        <source>現在のページのソースを表示します
ソース</source>
        <translation>Shows the source of the current page
Source</translation>
    </message>
    <message>
        <source>右側のタブを全て閉じる
右を全て閉じる</source>
        <translation>Closes all tabs to the right
Close Tabs to the Right</translation>
    </message>
    <message>
        <source>左側のタブを全て閉じる
左を全て閉じる</source>
        <translation>Closes all tabs to the left
Close Tabs to the Left</translation>
    </message>
    <message>
        <source>このタブ以外を全て閉じる
このタブ以外を閉じる</source>
        <translation>Closes all other tabs
Close Other Tabs</translation>
    </message>
    <message>
        <source>このタブのリンクを新しいタブで開きます
ナビゲーションロック</source>
        <translation>Opens this tab&apos;s links in new tabs
Navigation Lock</translation>
    </message>
    <message>
        <source>クッキーや履歴などの個人情報を消去します
個人情報の消去</source>
        <translation>Clears private data such as cookies and history
Clear Private Data</translation>
    </message>
    <message>
        <source>選択部のURLをクリップボードにコピー
選択部のURLをコピー</source>
        <translation>Copies the addresses in the selection to the clipboard
Copy Addresses in Selection</translation>
    </message>
    <message>
        <source>このページを自動で更新しません
自動更新しない</source>
        <translation>Does not refresh this page by itself
No Auto Refresh</translation>
    </message>
    <message>
        <source>このページを15秒ごとに更新します
15秒</source>
        <translation>Refreshes this page every 15 seconds
15 Seconds</translation>
    </message>
    <message>
        <source>このページを30秒ごとに更新します
30秒</source>
        <translation>Refreshes this page every 30 seconds
30 Seconds</translation>
    </message>
    <message>
        <source>このページを1分ごとに更新します
1分</source>
        <translation>Refreshes this page every minute
1 Minute</translation>
    </message>
    <message>
        <source>このページを5分ごとに更新します
5分</source>
        <translation>Refreshes this page every 5 minutes
5 Minutes</translation>
    </message>
    <message>
        <source>最後に閉じたページをもう一度開きます
最後に閉じたページ</source>
        <translation>Opens the last closed page again
Last Closed Page</translation>
    </message>
    <message>
        <source>プロキシを使わずに直接接続します
直接接続</source>
        <translation>Connects directly, without a proxy
Direct Connection</translation>
    </message>
    <message>
        <source>インターネットオプションの設定で接続します
インターネットオプションで接続</source>
        <translation>Connects as the internet options say
Connect with Internet Options</translation>
    </message>
    <message>
        <source>インターネットに接続せずにページを表示します
オフライン作業</source>
        <translation>Shows pages without connecting to the internet
Work Offline</translation>
    </message>
    <message>
        <source>新しいタブを開きます
新規作成</source>
        <translation>Opens a new tab
New Tab</translation>
    </message>
    <message>
        <source>現在のページを閉じる
閉じる</source>
        <translation>Closes the current page
Close</translation>
    </message>
    <message>
        <source>現在のページに名前を付けて保存します
名前を付けて保存</source>
        <translation>Saves the current page under a name
Save As</translation>
    </message>
    <message>
        <source>印刷のページ設定を変更します
ページ設定</source>
        <translation>Changes the page setup for printing
Page Setup</translation>
    </message>
    <message>
        <source>現在のページを印刷します
印刷</source>
        <translation>Prints the current page
Print</translation>
    </message>
    <message>
        <source>印刷したときのイメージを表示します
印刷プレビュー</source>
        <translation>Shows how the page prints
Print Preview</translation>
    </message>
    <message>
        <source>メモを添付したメールの作成
メール</source>
        <translation>Writes a mail with the memos attached
Mail</translation>
    </message>
    <message>
        <source>選択範囲をコピーしてクリップボードに保存します
コピー</source>
        <translation>Copies the selection to the clipboard
Copy</translation>
    </message>
    <message>
        <source>選択範囲を切り取ってクリップボードに移動します
切り取り</source>
        <translation>Cuts the selection to the clipboard
Cut</translation>
    </message>
    <message>
        <source>このページの中の文字列を検索します
検索</source>
        <translation>Finds text on this page
Find</translation>
    </message>
    <message>
        <source>クリップボードの内容を貼り付けます
貼り付け</source>
        <translation>Pastes the clipboard&apos;s contents
Paste</translation>
    </message>
    <message>
        <source>直前の操作を元に戻します
元に戻す</source>
        <translation>Undoes the last action
Undo</translation>
    </message>
    <message>
        <source>プログラムのバージョン情報を表示します
バージョン情報</source>
        <translation>Shows the program&apos;s version
About</translation>
    </message>
    <message>
        <source>Marvoを終了します
終了</source>
        <translation>Quits Marvo
Exit</translation>
    </message>
    <message>
        <source>次のウィンドウ ペインに切り替えます
次のペイン</source>
        <translation>Switches to the next window pane
Next Pane</translation>
    </message>
    <message>
        <source>前のウィンドウ ペインに切り替えます
前のペイン</source>
        <translation>Switches to the previous window pane
Previous Pane</translation>
    </message>
    <message>
        <source>ツール バーの表示/非表示を切り替えます
ツール バー</source>
        <translation>Shows or hides the toolbar
Toolbar</translation>
    </message>
    <message>
        <source>ステータス バーの表示/非表示を切り替えます
ステータス バー</source>
        <translation>Shows or hides the status bar
Status Bar</translation>
    </message>
    <message>
        <source>ダウンロードしたファイルの一覧を表示します
ダウンロード</source>
        <translation>Lists the downloaded files
Downloads</translation>
    </message>
    <message>
        <source>未送信の変更があります（サーバーに届き次第送信します）</source>
        <translation>Changes not sent yet (they go out as soon as the server answers)</translation>
    </message>
    <message>
        <source>共有サーバーのメモが大きすぎるため読み込みませんでした</source>
        <translation>The shared memos of this page are too large and were not loaded</translation>
    </message>
    <message>
        <source>メモ非表示</source>
        <translation>Memos hidden</translation>
    </message>
    <message>
        <source>このタブのメモを隠します。もう一度選ぶと表示します
メモを隠す</source>
        <translation>Hides this tab&apos;s memos; choose it again to show them
Hide Memos</translation>
    </message>
    <message>
        <source>元に戻した操作をやり直します
やり直し</source>
        <translation>Redoes the action undone
Redo</translation>
    </message>
    <message>
        <source>このページのメモを W3C Web Annotation 形式のファイルに書き出します
メモのエクスポート</source>
        <translation>Writes this page&apos;s memos to a W3C Web Annotation file
Export Memos</translation>
    </message>
    <message>
        <source>W3C Web Annotation 形式のファイルの注釈をメモとして読み込みます
メモのインポート</source>
        <translation>Reads the annotations of a W3C Web Annotation file as memos
Import Memos</translation>
    </message>
    <message>
        <source>ホーム ページを新しいタブで開きます
新しいタブ</source>
        <translation>Opens the home page in a new tab
New Tab</translation>
    </message>
    <message>
        <source>右隣のタブに切り替えます
次のタブ</source>
        <translation>Switches to the tab on the right
Next Tab</translation>
    </message>
    <message>
        <source>左隣のタブに切り替えます
前のタブ</source>
        <translation>Switches to the tab on the left
Previous Tab</translation>
    </message>
    <message>
        <source>アドレス バーのアドレスを選択します
アドレス バー</source>
        <translation>Selects the address in the address bar
Address Bar</translation>
    </message>
    <message>
        <source>ページを拡大して表示します
拡大</source>
        <translation>Zooms in on the page
Zoom In</translation>
    </message>
    <message>
        <source>ページを縮小して表示します
縮小</source>
        <translation>Zooms out of the page
Zoom Out</translation>
    </message>
    <message>
        <source>ページを元の大きさで表示します
元のサイズ</source>
        <translation>Shows the page at its own size
Reset Zoom</translation>
    </message>
    <message>
        <source>このタブの音を消します。もう一度選ぶと音を出します
音を消す</source>
        <translation>Mutes this tab; choose again to let it play sound
Mute</translation>
    </message>
</context>
<context>
    <name>TabBrowserWnd</name>
    <message>
        <source>スクリプト エラー</source>
        <translation>Script Error</translation>
    </message>
    <message>
        <source>行: %1
エラー: %2
URL: %3</source>
        <translation>Line: %1
Error: %2
Address: %3</translation>
    </message>
    <message>
        <source>このページのスクリプトでエラーが発生しました。

</source>
        <translation>A script on this page failed.

</translation>
    </message>
</context>
<context>
    <name>Tools</name>
    <message>
        <source>プロパティ(&amp;P)</source>
        <translation>&amp;Properties</translation>
    </message>
</context>
<context>
    <name>WebPageSurface</name>
    <message>
        <source>このページのメモのうち %1 個は描くのに時間がかかりすぎるため、枠だけを表示しています</source>
        <translation>%1 memos of this page take too long to draw and are shown as outlines only</translation>
    </message>
</context>
<context>
    <name>save_page_as</name>
    <message>
        <source>無題</source>
        <translation>Untitled</translation>
    </message>
    <message>
        <source>ファイルを保存できませんでした。
%1</source>
        <translation>The file could not be saved.
%1</translation>
    </message>
</context>
<context>
    <name>certificate_page</name>
    <message>
        <source>証明書の名前がサイトのアドレスと一致しません。</source>
        <translation>The certificate&apos;s name does not match the site&apos;s address.</translation>
    </message>
    <message>
        <source>証明書の有効期限が切れているか、まだ有効になっていません。</source>
        <translation>The certificate has expired or is not valid yet.</translation>
    </message>
    <message>
        <source>証明書を発行した機関が信頼されていません。</source>
        <translation>The authority that issued the certificate is not trusted.</translation>
    </message>
    <message>
        <source>証明書は失効しています。</source>
        <translation>The certificate has been revoked.</translation>
    </message>
    <message>
        <source>このサイトの暗号化は弱すぎます。</source>
        <translation>This site&apos;s encryption is too weak.</translation>
    </message>
    <message>
        <source>このサイトの証明書に問題があります。</source>
        <translation>There is a problem with this site&apos;s certificate.</translation>
    </message>
    <message>
        <source>戻る</source>
        <translation>Go Back</translation>
    </message>
    <message>
        <source>危険を承知で続行する</source>
        <translation>Proceed Anyway (Unsafe)</translation>
    </message>
    <message>
        <source>安全な接続を確立できません</source>
        <translation>Cannot Make a Secure Connection</translation>
    </message>
</context>
<context>
    <name>crash_page</name>
    <message>
        <source>ページを表示するプロセスが終了しました。</source>
        <translation>The process showing the page ended.</translation>
    </message>
    <message>
        <source>ページを表示するプロセスが異常終了しました (終了コード %1)。</source>
        <translation>The process showing the page ended abnormally (exit code %1).</translation>
    </message>
    <message>
        <source>ページを表示するプロセスがクラッシュしました。</source>
        <translation>The process showing the page crashed.</translation>
    </message>
    <message>
        <source>ページを表示するプロセスが強制終了されました。</source>
        <translation>The process showing the page was killed.</translation>
    </message>
    <message>
        <source>このページを表示できません</source>
        <translation>This page cannot be shown</translation>
    </message>
    <message>
        <source>再読み込み</source>
        <translation>Reload</translation>
    </message>
</context>
</TS>
