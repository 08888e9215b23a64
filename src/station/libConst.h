#pragma once
// The texts that more than one place shows, and those of the code without
// widgets (player, engines, files, command-line tool), so their wording stays
// the same everywhere. A window's own captions, questions and command names
// stay beside the code that shows them. Placeholders use QString::arg
// numbering (%1, %2).

#include <QString>

namespace Const {

// The box of a failure nothing else handled
inline const QString SUnexpectedError = QStringLiteral("发生未预料的错误");

// Station documents
inline const QString SUnnamedRadio = QStringLiteral("未命名的电台");
inline const QString SUnnamedLink = QStringLiteral("未命名的收听连接");
inline const QString SRadioFileNotFound = QStringLiteral("找不到指定的电台文件:\r\n%1");
inline const QString SBadRadioFile = QStringLiteral("不是正确的电台文件格式");
inline const QString SNodeNotElement = QStringLiteral("Attributes are not supported on this node type");
inline const QString SRadioFileUnreadable = QStringLiteral("无法读取电台文件:\r\n%1\r\n%2");
inline const QString SNotRegularFile = QStringLiteral("不是普通文件");
inline const QString SRadioFileNotXml = QStringLiteral("电台文件不是正确的XML格式(第%1行第%2列):\r\n%3");
inline const QString SRadioFileDtd = QStringLiteral("电台文件含有DTD内部声明(如实体定义)，为安全起见不予读取");
inline const QString SRadioFileTooManyAttributes = QStringLiteral("电台文件的元素带有过多的属性，不予读取");
inline const QString SRadioFileTooDeep = QStringLiteral("电台文件的元素嵌套过深，不予读取");
inline const QString SRadioFileBadEncoding = QStringLiteral("电台文件的内容不是正确的%1编码");
// Save dialogs and saves under another extension.
inline const QString SAskReplaceFile = QStringLiteral("%1 已存在。\r\n要替换它吗？");
inline const QString SFolderMissing = QStringLiteral("文件夹“%1”不存在。请选择一个已经存在的文件夹。");
inline const QString SCannotCreateFile = QStringLiteral("Cannot create file \"%1\". %2");

// Playlists read as stations (%1 = a file name, a number or the reader's message)
inline const QString SPlaylistNotFound = QStringLiteral("找不到指定的播放列表文件:\r\n%1");
inline const QString SPlaylistUnreadable = QStringLiteral("无法读取播放列表文件:\r\n%1\r\n%2");
inline const QString SPlaylistTooLarge = QStringLiteral("播放列表文件过大(超过%1字节)，不予读取");
inline const QString SPlaylistTooManyEntries = QStringLiteral("播放列表的条目过多(超过%1条)，不予读取");
inline const QString SPlaylistUnknownFormat = QStringLiteral("无法识别的播放列表格式");
inline const QString SPlaylistNotXml = QStringLiteral("播放列表不是正确的XML格式(第%1行第%2列):\r\n%3");
inline const QString SPlaylistBadRoot = QStringLiteral("播放列表的根元素不是%1");
inline const QString SPlaylistDtd = QStringLiteral("播放列表含有DTD内部声明(如实体定义)，为安全起见不予读取");
inline const QString SPlaylistTooManyAttributes = QStringLiteral("播放列表的元素带有过多的属性，不予读取");
inline const QString SPlaylistTooDeep = QStringLiteral("播放列表的元素嵌套过深，不予读取");
inline const QString SPlaylistNoStreams = QStringLiteral("播放列表中没有可以收听的流地址");
inline const QString SPlaylistIsHls =
    QStringLiteral("这是HLS流自身的播放列表，不是电台列表；请把它的网址作为收听连接添加到电台中");

// Playlist exports: the export menu's items, one per format
inline const QString SExportWax = QStringLiteral("Windows Media Metafile(*.asx,*.wax,*.wvx)");
inline const QString SExportRam = QStringLiteral("RealPlayer RAM File(*.ram)");
inline const QString SExportM3u = QStringLiteral("M3U Playlist(*.m3u)");
inline const QString SExportPls = QStringLiteral("PLS Playlist(*.pls)");

// Media engines: their own failures, shown as the player's error text
inline const QString SEngineSetupFailed = QStringLiteral("无法启动媒体引擎: %1");
inline const QString SEngineOpenFailed = QStringLiteral("无法打开媒体: 连接服务器失败或地址无效");
inline const QString SEngineNoAudioOutput = QStringLiteral("无法打开音频输出设备");
inline const QString SEngineNothingToPlay = QStringLiteral("媒体中没有可以播放的音频");
inline const QString SEngineUnknownFormat = QStringLiteral("无法识别的媒体格式");

// Radio player: the status text of each player state, and the question the
// window asks (and the command-line tool prints) when the engine a link needs
// cannot be started (%1 = the kind's display name)
inline const QString SPlayerStopped = QStringLiteral("已经停止");
inline const QString SPlayerConnecting = QStringLiteral("正在连接");
inline const QString SPlayerBuffering = QStringLiteral("正在缓冲");
inline const QString SPlayerPlaying = QStringLiteral("正在播放");
inline const QString SPlayerError = QStringLiteral("发生错误");
inline const QString SEngineMissing = QStringLiteral(
    "收听此电台连接需要%1 "
    "Player的支持。您没有安装此软件或版本需要\r\n升级。您希望我为您在浏览器中打开此软件最新版本的官方下载页面吗？");

// Update check: the description file in the download directory (its name
// with ".zip" is the installation package), and what the user is told
inline const QString SUpdateFile = QStringLiteral("Lyrebird.ini");
inline const QString SUpdateAvailable = QStringLiteral("检测到已有更新版本存在，是否现在下载？");
inline const QString SUpToDate = QStringLiteral("您当前使用的已是最新版本，目前尚无更新");
inline const QString SNoNetwork = QStringLiteral("检测不到可用的网络连接");

// The online station directory: what a search that no server answered says
inline const QString SDirectoryUnreachable =
    QStringLiteral("搜索失败: 在线电台目录的服务器都没有应答，请检查网络连接后再试");

// Desktop installation: launchers, the station-file type, the start with the
// session (%1 = a file or folder, %2 = the system's reason or a tool's output)
inline const QString SStationFileType = QStringLiteral("%1电台文件");
inline const QString SCannotCreateFolder = QStringLiteral("无法创建文件夹 %1:\r\n%2");
inline const QString SCannotWriteLauncher = QStringLiteral("无法写入 %1:\r\n%2");
inline const QString SCannotRemoveFile = QStringLiteral("无法删除 %1:\r\n%2");
inline const QString SToolMissing = QStringLiteral("找不到程序 %1，请安装它后再试一次");
inline const QString SToolFailed = QStringLiteral("程序 %1 运行失败:\r\n%2");

// Audio mixer: the maker of a mixer device, and the names of a line's controls
inline const QString SMixerMakerKnown = QStringLiteral("Microsoft");
inline const QString SMixerMakerUnknown = QStringLiteral("%1 = Unknown");
inline const QString SMixerVolumeControl = QStringLiteral("音量");
inline const QString SMixerMuteControl = QStringLiteral("静音");

} // namespace Const
