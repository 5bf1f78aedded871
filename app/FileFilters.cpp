// The Add dialog's file types.
#include "app/FileFilters.h"

#include <QFileInfo>

#include <algorithm>
#include <climits>

#include <array>
#include <utility>

namespace zentrova {

namespace {

// Labels and patterns exactly as the dialog shows and applies them.
constexpr std::array<std::pair<const char *, const char *>, 34> kFilters = {{
    {"All files (*.*)", "*.*"},
    {"All media files", "*.flv;*.swf;*.mov;*.qt;*.avi;*.mpg;*.mpeg;*.mod;*.tod;*.mts;*.ts;*.nut;*.h264;*.nsv;*.dv;"
                        "*.rm;*.rmvb;*.m2t;*.vob;*.dat;*.mkv;*.mp4;*.m4v;*.3gp;*.3g2;*.3gpp;*.asf;*.wmv;*.wm"},
    {"Flash files (*.flv)", "*.flv"},
    {"Real Media Files(*.rm;*.rmvb)", "*.rm;*.rmvb"},
    {"QuickTime files(*.mov;*.qt)", "*.qt;*.mov"},
    {"AVI files(*.avi)", "*.avi"},
    {"MPEG files(*.mpg;*.mpeg)", "*.mpg;*.mpeg"},
    {"Unprotected VOB files(*.vob)", "*.vob"},
    {"VCD files(*.dat)", "*.dat"},
    {"Matroska Video files(*.mkv)", "*.mkv"},
    {"MP4 files(*.mp4;*.m4v)", "*.mp4;*.m4v"},
    {"3GP files(*.3gp;*.3g2;*.3gpp)", "*.3gp;*.3g2;*.3gpp"},
    {"Windows Media files(*.asf;*.wmv)", "*.asf;*.wmv"},
    {"MOD files(*.mod)", "*.mod"},
    {"TOD files(*.tod)", "*.tod"},
    {"High-Definition files(*.mts;*.ts;*.m2t)", "*.mts;*.ts;*.m2ts"},
    {"Digital Video files(*.dv)", "*.dv"},
    {"NUT files(*.nut)", "*.nut"},
    {"Raw H.264 video files(*.h264)", "*.h264"},
    {"Nullsoft Stream Video(*.nsv)", "*.nsv"},
    {"All audio files", "*.aac;*.ac3;*.aiff;*.ape;*.cue;*.mpa;*.au;*.flac;*.mp3;*.ogg;*.ra;*.ram;*.wav;*.cda;*.m4a;*.wma"},
    {"Advanced Audio Coding files(*.aac)", "*.aac"},
    {"Advanced Interchage File Format(*.aiff)", "*.aiff"},
    {"Audio Code 3 files(*.ac3)", "*.ac3"},
    {"Monkey's Audio Files(*.ape;*.cue)", "*.ape;*.cue"},
    {"Sun AU Format(*.au)", "*.au"},
    {"Free Loseless Audio Codec(*.flac)", "*.flac"},
    {"MP3 files(*.mp3)", "*.mp3"},
    {"Ogg Vorbis Audio Files(*.ogg)", "*.ogg"},
    {"Real Audio Files(*.ra;*.ram)", "*.ra;*.ram"},
    {"WAV Audio Files(*.wav)", "*.wav"},
    {"Window Media Audio Files(*.wma)", "*.wma"},
    {"CD Audio(*.cda)", "*.cda"},
    {"MPEG-4 Audio(*.m4a)", "*.m4a"},
}};

} // namespace

QStringList FileDialogFilters()
{
    QStringList filters;
    for (const auto &[label, patterns] : kFilters) {
        // Qt reads the patterns from the last parentheses of a filter, so labels that carry
        // their own parentheses still get the real pattern list appended.
        QString list = QString::fromLatin1(patterns);
        list.replace(QLatin1Char(';'), QLatin1Char(' '));
        // "*.*" would hide files without a dot; "*" is what "all files" means here.
        if (list == QLatin1String("*.*"))
            list = QStringLiteral("*");
        filters.append(QStringLiteral("%1 (%2)").arg(QString::fromLatin1(label), list));
    }
    return filters;
}

QStringList MediaFilePatterns()
{
    QStringList patterns;
    for (const auto &[label, list] : kFilters) {
        for (const QString &pattern : QString::fromLatin1(list).split(QLatin1Char(';'))) {
            if (pattern != QLatin1String("*.*") && !patterns.contains(pattern))
                patterns.append(pattern);
        }
    }
    return patterns;
}

int SelectionLength(const QStringList &paths)
{
    if (paths.isEmpty())
        return 0;
    if (paths.size() == 1)
        return static_cast<int>(paths.first().size()) + 2;
    const QString folder = QFileInfo(paths.first()).path();
    qsizetype total = folder.size() + 1;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        // Files from elsewhere than the first file's folder are counted with their whole path.
        total += (info.path() == folder ? info.fileName().size() : path.size()) + 1;
    }
    return static_cast<int>(std::min<qsizetype>(total + 1, INT_MAX));
}

} // namespace zentrova
