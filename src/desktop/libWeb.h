#pragma once
// The program's web addresses. The environment variable KESTREL_WEB_SERVER
// (an http or https base address) stands in for every built-in server, so a
// mirror or a test's own server can serve them all.

#include <QString>

// The built-in servers, without a trailing slash.
inline constexpr char16_t CDownloadServer[] = u"https://www.kestrelradio.cn";
inline constexpr char16_t CRadioServer[] = u"https://radio.kestrelradio.cn";
inline constexpr char16_t CForumServer[] = u"https://bbs.kestrelradio.cn";

// KESTREL_WEB_SERVER without its trailing slashes, or builtIn when it is not
// set or is no plain http(s) address with a host (no query, no fragment): a
// stray value must not send the browser to a local file.
QString WebServer(const char16_t* builtIn);
// The http(s) base address an environment variable holds, without trailing
// slashes; empty when it is unset or not a bare web address.
QString BaseAddressFromEnvironment(const char* variable);

// An absolute http or https address with a host: the only kind the program
// fetches or hands to the browser from outside input.
bool IsWebAddress(const QString& address);

// The download directory: the server + "/download/".
QString DownloadFolderAddress();
// The update description in the download directory.
QString UpdateDescriptionAddress();
// The installation package: the description's name with ".zip".
QString PackageAddress();
// The product's home page: the radio server + "/lyrebird/".
QString ProductHomeAddress();
// The online station library: the radio server + "/radioshop/".
QString StationLibraryAddress();
// The listeners' forum: the forum server's root page.
QString ForumAddress();
