#include "mainframe/height_field_image.h"

#include <QFileDialog>
#include <QMessageBox>
#include <unistd.h>

#include <array>
#include <cctype>
#include <cerrno>
#include <cstring>

#include "kxcore.h"
#include "kxplatform/files.h"
#include "mainframe/app_session.h"
#include "pixmo.h"

namespace kx::app {

namespace {

std::string lowerExtension(const std::string& path) {
    const std::string leaf = platform::leafOf(path);
    const size_t dot = leaf.rfind('.');
    std::string ext = dot == std::string::npos ? std::string() : leaf.substr(dot + 1);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

// The first bytes of a file, as many as it has up to the buffer's size.
bool readStart(const std::string& path, std::array<unsigned char, 8>& start, size_t& got) {
    platform::UniqueFd fd(platform::openRegularForReading(path));
    if (!fd) return false;
    got = 0;
    while (got < start.size()) {
        const ssize_t n = ::read(fd.get(), start.data() + got, start.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    return true;
}

// Decodes the image with the library, its own message boxes kept back: the
// caller says what went wrong in its own words.
std::string decodeProblem(const std::string& path) {
    const HWND owner = AppSession::ownerWindow();
    const int shown = pxSetErrorDisplayState(owner, 0);
    const bool read = pxDisplayImageEx(owner, path.c_str(), 1) != 0;
    pxSetErrorDisplayState(owner, shown);
    PxImageInfo info{};
    if (read && pxGetImageInfo(&info) && info.width > 0 && info.height > 0) return {};
    char why[256] = {};
    pxGetLastErrorMessage(owner, static_cast<int>(sizeof why), why);
    std::string text = "\"" + path + "\" is not a readable image";
    if (why[0]) text += std::string(": ") + why;
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
}

}  // namespace

std::string heightFieldImageProblem(const std::string& path) {
    if (path.empty()) return "No image file given";
    if (!platform::isRegularFile(path)) return "\"" + path + "\" is not a file";
    const std::string ext = lowerExtension(path);
    const int kind = pxGetImageType(path.c_str());
    if (kind == PX_IMAGE_GIF || kind == PX_IMAGE_TGA) return decodeProblem(path);
    std::array<unsigned char, 8> start{};
    size_t got = 0;
    if (ext == "png" || ext == "pgm" || ext == "ppm") {
        if (!readStart(path, start, got)) return "\"" + path + "\" cannot be opened: " + std::strerror(errno);
        static const unsigned char png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
        bool ok = false;
        if (ext == "png") ok = got == 8 && std::memcmp(start.data(), png, 8) == 0;
        else if (ext == "pgm") ok = got >= 2 && start[0] == 'P' && (start[1] == '5' || start[1] == '2');
        else ok = got >= 2 && start[0] == 'P' && (start[1] == '6' || start[1] == '3');
        return ok ? std::string() : "\"" + path + "\" is not a " + ext + " image";
    }
    return "\"" + path + "\" is not a height field image (GIF, TGA, PNG, PGM or PPM)";
}

QString askHeightFieldImage(QWidget* parent, const QString& start) {
    QString chosen = start;
    for (;;) {
        chosen = QFileDialog::getOpenFileName(
            parent, QObject::tr("Height field image"), chosen,
            QObject::tr("Height field images (*.gif *.tga *.png *.pgm *.ppm);;All files (*)"));
        if (chosen.isEmpty()) return {};
        const std::string problem = heightFieldImageProblem(chosen.toStdString());
        if (problem.empty()) return chosen;
        QMessageBox::warning(parent, QObject::tr("Height field image"), QString::fromStdString(problem));
    }
}

std::string heightFieldImageOf(const CadObject* obj) {
    char file[KX_EXTRA_TEXT_MAX + 1] = {};
    if (!obj || !GetObjectExtraString(const_cast<CadObject*>(obj), KX_PROP_HEIGHTFIELDFILE, file)) return {};
    return file;
}

}  // namespace kx::app
