#include "qt/display_probe.h"

#include <dlfcn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QPluginLoader>
#include <cstdlib>
#include <cstring>

namespace soar {

namespace {

std::string env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

// The value of a toolkit option given as "-name value" or "-name=value".
std::string option(int argc, char** argv, const char* name) {
    const std::string single = std::string("-") + name, dashed = "-" + single;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if ((a == single || a == dashed) && i + 1 < argc) return argv[i + 1];
        for (const std::string& form : {single + "=", dashed + "="})
            if (a.rfind(form, 0) == 0) return a.substr(form.size());
    }
    return "";
}

// Whether a platform plugin with this key is installed where Qt looks for one.
bool plugin_installed(const std::string& name) {
    QStringList dirs;
    const std::string extra = env("QT_QPA_PLATFORM_PLUGIN_PATH");
    if (!extra.empty()) dirs << QString::fromLocal8Bit(extra.c_str());
    for (const QString& path : QCoreApplication::libraryPaths()) dirs << path + "/platforms";
    const QString key = QString::fromStdString(name);
    for (const QString& dir : dirs) {
        for (const QString& file : QDir(dir).entryList(QDir::Files)) {
            // The keys are read from the plugin's metadata; nothing is loaded.
            const QJsonObject meta =
                QPluginLoader(dir + "/" + file).metaData().value("MetaData").toObject();
            for (const QJsonValue k : meta.value("Keys").toArray())
                if (k.toString().compare(key, Qt::CaseInsensitive) == 0) return true;
        }
    }
    return false;
}

// An X11 connection through the X client library Qt's own X11 plugin uses: the
// same display name, authorisation and transport.
bool x11_answers(const std::string& display, std::string& why) {
    const std::string shown = display.empty() ? env("DISPLAY") : display;
    if (shown.empty()) {
        why = "DISPLAY is not set";
        return false;
    }
    void* xcb = ::dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
    if (xcb == nullptr) {
        why = "the X11 client library libxcb.so.1 cannot be loaded";
        return false;
    }
    using Connect = void* (*)(const char*, int*);
    using HasError = int (*)(void*);
    using Disconnect = void (*)(void*);
    const auto connect = reinterpret_cast<Connect>(::dlsym(xcb, "xcb_connect"));
    const auto has_error = reinterpret_cast<HasError>(::dlsym(xcb, "xcb_connection_has_error"));
    const auto disconnect = reinterpret_cast<Disconnect>(::dlsym(xcb, "xcb_disconnect"));
    bool ok = false;
    if (connect && has_error && disconnect) {
        void* c = connect(display.empty() ? nullptr : display.c_str(), nullptr);
        ok = c != nullptr && has_error(c) == 0;
        if (ok) {
            // The connection stays open for the program's life. Closed now, it
            // could be the server's last client: the server then resets, and
            // Qt's own connection, made a moment later, meets the reset and
            // aborts. Kept, Qt's connection is never the first after a reset.
            static void* kept_open = nullptr;
            kept_open = c;
            (void)kept_open;
            return true;  // the library stays loaded with it
        }
        if (c != nullptr) disconnect(c);
    }
    ::dlclose(xcb);
    if (!ok) why = "cannot connect to the X11 display \"" + shown + "\"";
    return ok;
}

bool wayland_answers(std::string& why) {
    if (!env("WAYLAND_SOCKET").empty()) return true;  // a connection handed over
    std::string name = env("WAYLAND_DISPLAY");
    if (name.empty()) name = "wayland-0";
    std::string path = name;
    if (name[0] != '/') {
        const std::string runtime = env("XDG_RUNTIME_DIR");
        if (runtime.empty()) {
            why = "XDG_RUNTIME_DIR is not set, so the Wayland display \"" + name +
                  "\" cannot be found";
            return false;
        }
        path = runtime + "/" + name;
    }
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    bool ok = path.size() < sizeof addr.sun_path;
    if (ok) {
        std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        ok = fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
        if (fd >= 0) ::close(fd);
    }
    if (!ok) why = "cannot connect to the Wayland display \"" + path + "\"";
    return ok;
}

}  // namespace

std::vector<std::string> platforms_to_try(int argc, char** argv) {
    std::string list = option(argc, argv, "platform");
    if (list.empty()) list = env("QT_QPA_PLATFORM");
    std::vector<std::string> names;
    for (size_t at = 0; !list.empty() && at <= list.size();) {
        const size_t end = std::min(list.find(';', at), list.size());
        std::string entry = list.substr(at, end - at);
        entry = entry.substr(0, entry.find(':'));  // "vnc:size=800x600": the name
        if (!entry.empty()) names.push_back(entry);
        at = end + 1;
    }
    if (names.empty()) {
        if (env("XDG_SESSION_TYPE") == "wayland") names.push_back("wayland");
        names.push_back("xcb");
    }
    return names;
}

bool display_reachable(int argc, char** argv, std::string& why) {
    std::vector<std::string> reasons;
    for (const std::string& name : platforms_to_try(argc, argv)) {
        std::string reason;
        bool ok = plugin_installed(name);
        if (!ok) {
            reason = "no window platform \"" + name + "\" is installed";
        } else if (name == "xcb") {
            ok = x11_answers(option(argc, argv, "display"), reason);
        } else if (name.rfind("wayland", 0) == 0) {
            ok = wayland_answers(reason);
        }
        if (ok) return true;
        reasons.push_back(reason);
    }
    why.clear();
    for (const std::string& r : reasons) why += (why.empty() ? "" : "; ") + r;
    return false;
}

}  // namespace soar
