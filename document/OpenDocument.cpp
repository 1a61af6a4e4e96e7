// Opening files: the dispatch by extension and the RAW load.
#include "develop/colour/ColorManagement.h"
#include "document/VelmoDoc.h"
#include "params/ParamFields.h"
#include "platform/core/MessageBox.h"
#include "platform/core/PrivateProfile.h"
#include "raw/RawLoader.h"
#include "res/StringMessage.h"
#include "res/StringTable.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <sys/stat.h>

namespace velmo {

namespace {

std::string Extension(const std::string& path)
{
    std::string ext = path.size() >= 4 ? path.substr(path.size() - 4) : path;
    for (char& c : ext)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return ext;
}

bool FileExists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace

bool CVelmoDoc::OnOpenDocument(const std::string& path)
{
    // A side file is read key by key (by the document, the parameter and
    // feature readers and the view's crop reader): one parse serves them all.
    const PrivateProfileReadScope readOnce(path);
    const std::string ext = Extension(path);
    if (ext == ".ICM" || ext == ".ICC") {
        OpenUserProfile(path);
        return false;
    }
    // Side files apply to the current state; the document keeps its image,
    // path and title.
    if (ext == ".VMF") {
        OpenCropFrameFile(path);
        return false;
    }
    if (ext == ".VMR") {
        OpenParameterFile(path);
        return false;
    }
    if (ext == ".VMT") {
        OpenFeatureFile(FeatureKind::FreeCurve, path);
        return false;
    }
    if (ext == ".VMC") {
        OpenFeatureFile(FeatureKind::SelectiveColors, path);
        return false;
    }
    if (ext == ".VML") {
        OpenFeatureFile(FeatureKind::LensCorrection, path);
        return false;
    }
    if (ext == ".VMW") {
        OpenWhiteBalanceFile(path);
        return false;
    }
    if (ext == ".BAY")
        return LoadRaw(path, true);
    if (ext == ".RAF")
        return LoadRaw(path, false);
    ShowMessageId(61215, MB_OK | MB_ICONEXCLAMATION);
    return false;
}

bool CVelmoDoc::OpenUserProfile(const std::string& path)
{
    if (!FileExists(path))
        return false;
    // Only an RGB profile that LittleCMS opens is accepted (message 61233
    // otherwise); the previous user profile stays until one is.
    if (Colors().OpenUserProfile(path) != ProfileStatus::Accepted)
        return false;
    host->AddToRecentList(RecentListKind::ColorProfile, path);
    paths.otherColorProfile = path;
    // The pictures show through the new profile at once.
    SetOutputColorSpace(4);
    return true;
}

bool CVelmoDoc::LoadRaw(const std::string& path, bool bay)
{
    const auto start = std::chrono::steady_clock::now();
    // The host's channel, which also answers a stop asked of the document.
    class LoadChannel final : public IProgress {
    public:
        LoadChannel(IProgress& hostChannel, const std::atomic<int>& stop) : inner(hostChannel), stopRequest(stop) {}
        int Report(int percent, const char* label) override
        {
            const int answer = inner.Report(percent, label);
            return answer != 0 ? answer : stopRequest.load();
        }

    private:
        IProgress& inner;
        const std::atomic<int>& stopRequest;
    } progress(host->LoadProgress(), stopRequest);
    auto refuse = [&](const RawLoadError& error) {
        if (!error.message.empty())
            ShowMessage(error.message, MB_OK | MB_ICONEXCLAMATION);
        progress.Report(-1, "");
        return false;
    };

    // The file is read and checked first, while the open picture stays: a
    // file that cannot be read leaves the picture, the edit state, the crop,
    // the paths and the stored records as they were.
    RawLoader loader(path, bay);
    if (!loader.Check(image, familyWb, progress))
        return refuse(loader.Error());

    // The file can be read: the open picture goes, and the new one takes
    // over its sample maps. A load that fails from here on (a damaged block
    // found while placing, a stop, a lack of memory) leaves no image and the
    // family whose record the document holds, so that no other family's
    // stored record is overwritten.
    loadTimings = loader.Timings();
    DeleteContents();
    if (host->HasMainWindow())
        host->RecalcLayout();
    StopWorker();
    const bool built = loader.Build(image, familyWb, progress);
    const RawImage& loaded = loader.Image();
    if (loader.Demosaiced())
        outputOptions.sizeMode = (outputOptions.sizeMode & 7) | (loaded.bayerFlag ? 8 : 0);
    if (!built) {
        RawImage rest = loader.TakeImage();
        image = CarryOver(rest);
        return refuse(loader.Error());
    }
    const auto previews = std::chrono::steady_clock::now();
    cameraFamily = loaded.cameraFamily;
    ReplaceImage(loader.TakeImage());
    ApplyCameraSettings(path, bay, loader.Frames(), loader.Camera());
    const auto end = std::chrono::steady_clock::now();
    loadTimings = loader.Timings();
    loadTimings.previews += std::chrono::duration<double>(end - previews).count();
    loadTimings.total = std::chrono::duration<double>(end - start).count();

    progress.Report(-1, "");
    paths.source = path;
    paths.parameters.clear();
    imageListeners.Notify(DocImageEvent::Loaded);
    ResumeWorker();
    if (!loader.Warning().empty())
        ShowMessage(loader.Warning(), MB_OK | MB_ICONEXCLAMATION);
    return true;
}

void CVelmoDoc::ApplyCameraSettings(const std::string& path, bool bay, int frames, const ExifCameraValues& camera)
{
    // The camera's settings over the family's stored record.
    LoadParameterRecord();
    edit.ModifyParams([&](DevParams& p) {
        p.twoFrames = frames == 2 ? 1 : 0;
        if (bay) {
            p.whiteBalance = 6;
            p.sharpness = 1;
        } else {
            p.sharpness = camera.sharpness;
            p.whiteBalance = edit.UseRafWB() ? 0 : camera.whiteBalanceRow;
            p.exifOrientation = camera.orientation;
            if (image.model->frames == FrameRule::ByFormatCode)
                p.twoFrames = DetectExrMode();
        }
    });
    SetWhiteBalance(edit.Params().whiteBalance, 0, -1);
    DeriveFamilyPresetRows();
    edit.ModifyParams([&](DevParams& p) {
        if (!bay) {
            p.rotate = p.exifOrientation == 6 ? 1 : p.exifOrientation == 8 ? 2 : 0;
            p.cameraWhiteBalance = camera.whiteBalanceRow;
            p.cameraSharpness = p.sharpness;
        }
        // The EXR half-frames became one frame.
        if (image.bayerFlag && image.exrMode > 2)
            p.twoFrames = 0;
        if (image.drShift != 0)
            p.twoFrames = 1;
    });
    if (image.rafFlag)
        MakeAsShot(path);
    if (!bay) {
        cameraLens = {camera.modelName, camera.focalLength};
        imageListeners.Notify(DocImageEvent::LensInfoChanged);
    }
}

} // namespace velmo
