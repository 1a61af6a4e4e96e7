// The file dialogs' rules and the open dialog's reading of a selected file,
// without widgets: file-type lists, the name that follows a chosen type, the
// extension added to a bare name, the folder selected after going up, the
// Exif pane's lines, and RAF files that are whole, cut short or random.
#include "app/dialogs/FileDialogRules.h"
#include "app/dialogs/RafPreview.h"
#include "exif/ExifDigest.h"
#include "tests/app/AppTest.h"
#include "tests/app/dialogs/DialogTestFiles.h"
#include "tests/support/JpegCodec.h"
#include "tests/support/RafBuilder.h"
#include "tests/support/TestEnv.h"

#include <QTest>

#include <algorithm>
#include <filesystem>

namespace velmo::test {

namespace {

constexpr char kSaveAsFilter[] =
    "PSD 16bpp(*.PSD)|*.PSD|PSD 8bpp(*.PSD)|*.PSD|TIFF 16bpp(*.TIF)|*.TIF|TIFF 8bpp(*.TIF)|*.TIF|JPEG (*.JPG)|*.JPG||";
constexpr char kOpenFilter[] =
    "CCDRAW,velmo Params(*.RAF;*.VMR)|*.RAF;*.VMR|velmo Params(*.VMR)|*.VMR|CCDRAW(*.RAF)|*.RAF||";

bool AllBlack(const std::vector<uint8_t>& pixels)
{
    return std::all_of(pixels.begin(), pixels.end(), [](uint8_t b) { return b == 0; });
}

bool HasLine(const ExifTextLines& lines, const std::string& start)
{
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(start, 0) == 0; });
}

} // namespace

class DialogRulesTest : public QObject {
    Q_OBJECT

private slots:
    void FileTypeListsBecomeQtFiltersAndExtensions()
    {
        const std::vector<FileTypeFilter> output = ParseFileTypeFilter(kSaveAsFilter);
        QCOMPARE(output.size(), size_t(5));
        QCOMPARE(output[4].display, std::string("JPEG (*.JPG)"));
        QCOMPARE(QtNameFilter(output[4]), std::string("JPEG (*.JPG *.jpg)"));
        QCOMPARE(QtNameFilter(output[2]), std::string("TIFF 16bpp (*.TIF *.tif)"));
        QCOMPARE(FileTypeExtension(output[4]), std::string(".JPG"));
        QCOMPARE(FileTypeExtension(output[0]), std::string(".PSD"));

        const std::vector<FileTypeFilter> open = ParseFileTypeFilter(kOpenFilter);
        QCOMPARE(open.size(), size_t(3));
        QCOMPARE(open[0].patterns, (std::vector<std::string>{"*.RAF", "*.VMR"}));
        QCOMPARE(QtNameFilter(open[0]), std::string("CCDRAW,velmo Params (*.RAF *.raf *.VMR *.vmr)"));

        // No closing "||", a display name without patterns, wildcards.
        const std::vector<FileTypeFilter> odd = ParseFileTypeFilter("Any|*.*|Curves|*.V?T|Plain|");
        QCOMPARE(odd.size(), size_t(3));
        QCOMPARE(FileTypeExtension(odd[0]), std::string());
        QCOMPARE(FileTypeExtension(odd[1]), std::string());
        QCOMPARE(odd[2].patterns, std::vector<std::string>{"*"});
        QCOMPARE(QtNameFilter(odd[2]), std::string("Plain (*)"));
        QCOMPARE(ParseFileTypeFilter("").size(), size_t(0));
    }

    void NameFollowsTheChosenType()
    {
        struct Case {
            const char* name;
            const char* extension;
            const char* expected;
        } cases[] = {
            {"IMG_1", ".JPG", "IMG_1.JPG"},
            {"IMG_1.PSD", ".JPG", "IMG_1.JPG"},
            {"DSCF0001_t_1.TIF", ".PSD", "DSCF0001_t_1.PSD"},
            {"/photos/2009.05/IMG", ".TIF", "/photos/2009.05/IMG.TIF"},
            {"/photos/2009.05/IMG.PSD", ".TIF", "/photos/2009.05/IMG.TIF"},
            {".hidden", ".JPG", ".hidden.JPG"},
            {"", ".JPG", ""},
            {"IMG_1.PSD", "", "IMG_1.PSD"},
            {"folder/", ".JPG", "folder/"},
        };
        for (const Case& c : cases)
            QVERIFY2(NameForFileType(c.name, c.extension) == c.expected, c.name);
    }

    void BareNameGetsTheTypeExtension()
    {
        struct Case {
            const char* path;
            const char* extension;
            const char* expected;
        } cases[] = {
            {"/frames/myframe", ".VMF", "/frames/myframe.VMF"},
            {"/frames/myframe.VMF", ".VMF", "/frames/myframe.VMF"},
            {"/frames/myframe.txt", ".VMF", "/frames/myframe.txt"},
            {"/frames.old/myframe", ".VMF", "/frames.old/myframe.VMF"},
            {"/frames/myframe", "", "/frames/myframe"},
        };
        for (const Case& c : cases)
            QVERIFY2(WithTypeExtension(c.path, c.extension) == c.expected, c.path);
    }

    void GoingUpNamesTheFolderLeft()
    {
        struct Case {
            const char* last;
            const char* current;
            const char* expected;
        } cases[] = {
            {"/a/b", "/a", "b"},
            {"/a/b/c", "/a", "b/c"},   // a jump: no single item has that name
            {"/home", "/", "home"},    // up to the root
            {"/a/b/", "/a/", "b"},
            {"/a/bc", "/a/b", ""},     // a sibling, not a parent
            {"/a/b", "/a/bx", ""},
            {"/a", "/a/b", ""},        // down
            {"/a/b", "/a/b", ""},
            {"/", "/", ""},
            {"/x/b", "/a", ""},
        };
        for (const Case& c : cases)
            QVERIFY2(FolderLeft(c.last, c.current) == c.expected, (std::string(c.last) + " -> " + c.current).c_str());
    }

    void ExifPaneShowsTheDigestOrAllAndKeepsItsPlace()
    {
        const ExifTextLines lines = {"[IFD0]",          "Make:FUJIFILM", "Model:FinePix S5Pro", "Software:x",
                                     "[Exif]",          "FNumber:8.0",   "FocalLength:70.0",    "FocalLength in 135:105",
                                     "[MakerNote]",     "Lens:x",        "Model:again"};
        const std::vector<std::string> names = SplitDigestNames(kDefaultDigestNames);
        const std::vector<size_t> digest = ExifDigestLines(lines, false, names);
        const std::vector<size_t> all = ExifDigestLines(lines, true, names);
        QCOMPARE(digest, (std::vector<size_t>{2, 5, 6, 9, 10}));
        QCOMPARE(all.size(), lines.size());
        // The same lines as the Exif palette's digest text.
        const std::string palette = ExifDigest(&lines, false, names);
        std::string pane;
        for (char c : ExifPaneText(lines, digest) + "\n")
            pane += c == '\n' ? std::string("\r\n") : std::string(1, c);
        QCOMPARE(pane, palette);

        // Toggling "All" keeps the entry at the top, or the next one shown.
        QCOMPARE(FirstLineAfterToggle(digest, all, 1), size_t(5));    // FNumber stays on top
        QCOMPARE(FirstLineAfterToggle(all, digest, 5), size_t(1));    // and back
        QCOMPARE(FirstLineAfterToggle(all, digest, 7), size_t(3));    // "FocalLength in 135" is no digest line: Lens
        QCOMPARE(FirstLineAfterToggle(all, digest, 0), size_t(0));
        QCOMPARE(FirstLineAfterToggle(all, {}, 4), size_t(0));
        QCOMPARE(FirstLineAfterToggle({}, all, 0), size_t(0));
        QCOMPARE(FirstLineAfterToggle(all, {2, 5}, 9), size_t(1));    // past the last digest line
        QCOMPARE(FirstLineAfterToggle(digest, all, 99), size_t(10));  // a stale place is clamped
    }

    void RafFileGivesItsPreviewAndExif()
    {
        TempDir dir;
        const std::string path = WriteSceneRaf(dir.path(), "DSCF0001.RAF");
        QVERIFY(!path.empty());
        const RafPreview preview = ReadRafPreview(path, kScenePreviewWidth, kScenePreviewHeight, true);
        QVERIFY(preview.raf && preview.picture && preview.replaceText);
        QVERIFY(HasLine(preview.lines, "Model:FinePix S5600"));
        QVERIFY(HasLine(preview.lines, "FNumber:"));

        // At its own size the preview is the JPEG's picture in B, G, R order.
        int w = 0, h = 0;
        const std::vector<uint8_t> rgb =
            DecodeJpegRgb(EncodeJpeg(kScenePreviewWidth, kScenePreviewHeight, 3,
                                     ScenePicture(kScenePreviewWidth, kScenePreviewHeight), {}, 100),
                          &w, &h);
        QCOMPARE(preview.pixels.size(), rgb.size());
        int worst = 0;
        for (size_t i = 0; i < rgb.size(); i += 3)
            for (int c = 0; c < 3; ++c)
                worst = std::max(worst, std::abs(int(preview.pixels[i + size_t(c)]) - int(rgb[i + 2 - size_t(c)])));
        QVERIFY2(worst <= 8, QByteArray::number(worst));

        // Without the embedded preview: black, but the Exif lines come.
        const RafPreview noPicture = ReadRafPreview(path, 40, 30, false);
        QVERIFY(!noPicture.picture && AllBlack(noPicture.pixels) && noPicture.pixels.size() == 40 * 30 * 3);
        QCOMPARE(noPicture.lines, preview.lines);

        // A lower-case name is a RAF file too.
        const std::string lower = dir.File("dscf0002.raf");
        std::filesystem::copy_file(path, lower);
        QVERIFY(ReadRafPreview(lower, 16, 12, true).picture);
    }

    void OtherNamesMissingFilesAndFoldersShowNothing()
    {
        TempDir dir;
        const std::string raf = WriteSceneRaf(dir.path(), "DSCF0001.RAF");
        const std::string params = dir.File("DSCF0001.VMR");
        std::filesystem::copy_file(raf, params);  // RAF bytes under another name
        const RafPreview other = ReadRafPreview(params, 16, 12, true);
        QVERIFY(!other.raf && !other.picture && other.replaceText && other.lines.empty() && AllBlack(other.pixels));

        // A RAF name that does not exist leaves the text as it was.
        const RafPreview missing = ReadRafPreview(dir.File("GONE.RAF"), 16, 12, true);
        QVERIFY(missing.raf && !missing.picture && !missing.replaceText && AllBlack(missing.pixels));

        // A folder with a RAF name, and a file that cannot be read.
        std::filesystem::create_directory(dir.File("FOLDER.RAF"));
        const RafPreview folder = ReadRafPreview(dir.File("FOLDER.RAF"), 16, 12, true);
        QVERIFY(!folder.picture && folder.replaceText && folder.lines.empty());
        const std::string locked = dir.File("LOCKED.RAF");
        std::filesystem::copy_file(raf, locked);
        std::filesystem::permissions(locked, std::filesystem::perms::none);
        const RafPreview unreadable = ReadRafPreview(locked, 16, 12, true);
        if (std::FILE* probe = std::fopen(locked.c_str(), "rb")) { // running as root reads it anyway
            std::fclose(probe);
        } else {
            QVERIFY(!unreadable.picture && unreadable.replaceText && unreadable.lines.empty() &&
                    AllBlack(unreadable.pixels));
        }
        std::filesystem::permissions(locked, std::filesystem::perms::owner_all);
    }

    void CutAndRandomFilesNeverStopTheProgram()
    {
        TempDir dir;
        const std::vector<uint8_t> whole = SceneRafBytes();
        const RafLayout layout = SceneLayout();

        for (const CutFile& cut : SceneCuts()) {
            const std::string path = dir.File(cut.name);
            QVERIFY(WriteFile(path, std::vector<uint8_t>(whole.begin(), whole.begin() + long(cut.length))));
            const RafPreview preview = ReadRafPreview(path, 64, 48, true);
            QVERIFY2(preview.pixels.size() == 64 * 48 * 3, cut.name.c_str());
            if (cut.length <= layout.jpegOffset + 200)
                QVERIFY2(!preview.picture && AllBlack(preview.pixels), cut.name.c_str());
            if (cut.length < 0x60)
                QVERIFY2(preview.lines.empty(), cut.name.c_str());
        }

        // Random bytes; the magic followed by random bytes; a preview whose
        // frame header is broken; a preview with random entropy data.
        std::vector<uint8_t> magic = RandomBytes(20000, 2);
        std::copy_n("FUJIFILMCCD-RAW ", 16, magic.begin());
        std::vector<uint8_t> brokenFrame = whole;
        for (size_t i = layout.jpegOffset; i + 1 < layout.jpegOffset + layout.jpegLength; ++i)
            if (brokenFrame[i] == 0xFF && brokenFrame[i + 1] == 0xC0) {
                brokenFrame[i + 5] = brokenFrame[i + 6] = 0;  // height 0
                brokenFrame[i + 7] = brokenFrame[i + 8] = 0;  // width 0
                break;
            }
        std::vector<uint8_t> noisy = whole;
        const std::vector<uint8_t> noise = RandomBytes(layout.jpegLength / 2, 3);
        std::copy(noise.begin(), noise.end(), noisy.begin() + long(layout.jpegOffset + layout.jpegLength / 3));
        const std::pair<const char*, std::vector<uint8_t>> files[] = {
            {"random.RAF", RandomBytes(50000, 1)},
            {"magic-random.RAF", magic},
            {"broken-frame.RAF", brokenFrame},
            {"noisy-preview.RAF", noisy},
            {"empty.RAF", {}},
        };
        for (const auto& [name, bytes] : files) {
            const std::string path = dir.File(name);
            QVERIFY(WriteFile(path, bytes));
            const RafPreview preview = ReadRafPreview(path, 64, 48, true);
            QVERIFY2(preview.replaceText && preview.pixels.size() == 64 * 48 * 3, name);
            if (std::string(name) != "noisy-preview.RAF")
                QVERIFY2(!preview.picture && AllBlack(preview.pixels), name);
        }
    }
};

VELMO_APP_TEST(DialogRulesTest);

} // namespace velmo::test

#include "DialogRulesTest.moc"
