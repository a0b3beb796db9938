#include "writer/ProfileSettings.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace writer {

namespace {

constexpr std::string_view kHeader =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<oor:items xmlns:oor=\"http://openoffice.org/2001/registry\" xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" "
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n";
constexpr std::string_view kFooter = "</oor:items>\n";

std::string escaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '&') out += "&amp;";
        else if (c == '<') out += "&lt;";
        else if (c == '>') out += "&gt;";
        else if (c == '"') out += "&quot;";
        else out += c;
    }
    return out;
}

std::string item(const OfficeSetting& setting) {
    return "<item oor:path=\"" + escaped(setting.path) + "\"><prop oor:name=\"" + escaped(setting.name) +
           "\" oor:op=\"fuse\"><value>" + escaped(setting.value) + "</value></prop></item>\n";
}

// Whether an <item> element sets one of the settings: the office writes one property per item, its
// path first and the property's name in the first <prop>.
bool setsOneOf(std::string_view element, const std::vector<OfficeSetting>& settings) {
    return std::any_of(settings.begin(), settings.end(), [&](const OfficeSetting& s) {
        return element.starts_with("<item oor:path=\"" + escaped(s.path) + "\"><prop oor:name=\"" + escaped(s.name) + "\"");
    });
}

std::string readAll(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

const std::vector<OfficeSetting>& offlineSettings() {
    // The proxy is the office's one gate to the web: http, https and ftp references, whatever they
    // link (images, style sheets, objects, backgrounds). 255.255.255.255 is a dead end that sends
    // nothing: the kernel refuses a TCP connection to the broadcast address at once, and no one can
    // listen there. (7.4 does not even try: it takes a bare proxy name for a bad URL.) Documents keep
    // their local pictures; BlockUntrustedRefererLinks would drop those too, and stops less.
    static const std::vector<OfficeSetting> settings = [] {
        const std::string inet = "/org.openoffice.Inet/Settings";
        const std::string deadEnd = "255.255.255.255", deadPort = "9";
        return std::vector<OfficeSetting>{
            {inet, "ooInetProxyType", "2"},  // manual
            {inet, "ooInetNoProxy", ""},
            {inet, "ooInetHTTPProxyName", deadEnd},
            {inet, "ooInetHTTPProxyPort", deadPort},
            {inet, "ooInetHTTPSProxyName", deadEnd},
            {inet, "ooInetHTTPSProxyPort", deadPort},
            {inet, "ooInetFTPProxyName", deadEnd},
            {inet, "ooInetFTPProxyPort", deadPort},
        };
    }();
    return settings;
}

void applyOfflineEnvironment(std::vector<std::string>& environment) {
    static const char* const kProxies[] = {"http_proxy", "https_proxy", "ftp_proxy", "all_proxy",
                                           "HTTP_PROXY", "HTTPS_PROXY", "FTP_PROXY", "ALL_PROXY"};
    static const char* const kDirect[] = {"no_proxy", "NO_PROXY"};
    std::erase_if(environment, [](const std::string& entry) {
        const std::string_view name = std::string_view(entry).substr(0, entry.find('='));
        return std::find(std::begin(kProxies), std::end(kProxies), name) != std::end(kProxies) ||
               std::find(std::begin(kDirect), std::end(kDirect), name) != std::end(kDirect);
    });
    for (const char* name : kProxies) environment.push_back(std::string(name) + "=http://255.255.255.255:9");
}

void enforceSettings(const std::filesystem::path& file, const std::vector<OfficeSetting>& settings) {
    const std::string old = std::filesystem::exists(file) ? readAll(file) : std::string();
    std::string body;
    // Every item the file has, but those that set one of ours; a file that is not the office's
    // item list (damaged, cut short) is started again, as the office would reject it anyway.
    if (const std::size_t end = old.rfind(kFooter.substr(0, kFooter.size() - 1)); end != std::string::npos) {
        std::size_t at = 0;
        while (true) {
            const std::size_t start = old.find("<item ", at);
            if (start == std::string::npos || start > end) break;
            std::size_t close = old.find("</item>", start);
            if (close == std::string::npos || close > end) break;
            close += std::string_view("</item>").size();
            if (close < old.size() && old[close] == '\n') ++close;
            const std::string_view element = std::string_view(old).substr(start, close - start);
            if (!setsOneOf(element, settings)) {
                body += element;
                if (!body.ends_with('\n')) body += '\n';
            }
            at = close;
        }
    }
    for (const OfficeSetting& setting : settings) body += item(setting);

    std::filesystem::create_directories(file.parent_path());
    replaceSettingsFile(file, std::string(kHeader) + body + std::string(kFooter));
}

void replaceSettingsFile(const std::filesystem::path& file, const std::string& text) {
    const std::filesystem::path temporary = file.string() + ".quirella-new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        out.flush();
        if (!out) throw std::runtime_error("cannot write " + temporary.string());
    }
    std::filesystem::rename(temporary, file);
}

}  // namespace writer
