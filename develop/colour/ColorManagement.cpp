#include "develop/colour/ColorManagement.h"

#include "platform/core/MessageBox.h"
#include "res/IccProfiles.h"
#include "res/ResourceIds.h"
#include "res/StringTable.h"

#include <lcms2.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace velmo {

const char kOnlyRgbProfileText[] = "Only the profile of RGB can be used. \n";
const char kColorFallbackText[] =
    "LittleCMS cannot convert the colours from the output colour space to the display profile.\n"
    "The picture is shown without colour conversion.";

namespace {

// Opens profile bytes with LittleCMS; null when they are not a profile.
cmsHPROFILE OpenProfile(const std::vector<uint8_t>& bytes)
{
    if (bytes.size() < kMinIccProfileBytes || bytes.size() > kMaxIccProfileBytes)
        return nullptr;
    return cmsOpenProfileFromMem(bytes.data(), cmsUInt32Number(bytes.size()));
}

// Perceptual, 16-bit RGB in and out, and no precalculated device link
// (cmsFLAGS_NOOPTIMIZE has the value and meaning of lcms 1's
// cmsFLAGS_NOTPRECALC): every pixel goes through the profiles' own curves
// and matrices.
std::shared_ptr<const DisplayTransform> BuildTransform(const IccBytes& input, const IccBytes& output)
{
    if (!input || !output)
        return nullptr;
    cmsHPROFILE source = OpenProfile(*input);
    if (source == nullptr)
        return nullptr;
    cmsHPROFILE display = OpenProfile(*output);
    if (display == nullptr) {
        cmsCloseProfile(source);
        return nullptr;
    }
    cmsHTRANSFORM transform = nullptr;
    if (cmsGetColorSpace(source) == cmsSigRgbData && cmsGetColorSpace(display) == cmsSigRgbData)
        transform = cmsCreateTransform(source, TYPE_RGB_16, display, TYPE_RGB_16, INTENT_PERCEPTUAL,
                                       cmsFLAGS_NOOPTIMIZE);
    // The transform keeps what it needs of the profiles.
    cmsCloseProfile(display);
    cmsCloseProfile(source);
    if (transform == nullptr)
        return nullptr;
    return std::make_shared<const DisplayTransform>(transform);
}

} // namespace

namespace {

uint32_t BigEndian32(const uint8_t* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

constexpr size_t kSignatureOffset = 36; // "acsp"
constexpr size_t kTagTableOffset = 128;

// What the bytes are before LittleCMS sees them: a profile's header carries
// "acsp" at 36 and the profile's size at 0; the tag table after it holds a
// count and entries of (signature, offset, size).
ProfileStatus CheckProfileLayout(const uint8_t* data, size_t size)
{
    if (data == nullptr || size < kSignatureOffset + 4 || std::memcmp(data + kSignatureOffset, "acsp", 4) != 0)
        return ProfileStatus::Invalid;
    if (size < kMinIccProfileBytes)
        return ProfileStatus::TooShort;
    const uint64_t declared = BigEndian32(data);
    if (declared > size)
        return ProfileStatus::TooShort;
    if (declared < kTagTableOffset + 4)
        return ProfileStatus::Damaged;
    const uint64_t count = BigEndian32(data + kTagTableOffset);
    if (kTagTableOffset + 4 + 12 * count > declared)
        return ProfileStatus::Damaged;
    for (uint64_t i = 0; i < count; ++i) {
        const uint8_t* entry = data + kTagTableOffset + 4 + 12 * i;
        const uint64_t offset = BigEndian32(entry + 4);
        const uint64_t length = BigEndian32(entry + 8);
        if (offset + length > declared)
            return ProfileStatus::Damaged;
    }
    return ProfileStatus::Accepted;
}

} // namespace

ProfileStatus CheckRgbProfile(const uint8_t* data, size_t size)
{
    if (size > kMaxIccProfileBytes)
        return ProfileStatus::TooLarge;
    if (const ProfileStatus layout = CheckProfileLayout(data, size); layout != ProfileStatus::Accepted)
        return layout;
    cmsHPROFILE profile = cmsOpenProfileFromMem(data, cmsUInt32Number(size));
    if (profile == nullptr)
        return ProfileStatus::Invalid;
    const bool rgb = cmsGetColorSpace(profile) == cmsSigRgbData;
    cmsCloseProfile(profile);
    return rgb ? ProfileStatus::Accepted : ProfileStatus::NotRgb;
}

ProfileStatus ReadProfileFile(const std::string& path, std::vector<uint8_t>& bytes)
{
    bytes.clear();
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(path, ec);
    if (ec || !std::filesystem::exists(status))
        return ProfileStatus::NotFound;
    if (!std::filesystem::is_regular_file(status))
        return ProfileStatus::Unreadable;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec)
        return ProfileStatus::Unreadable;
    if (size > kMaxIccProfileBytes)
        return ProfileStatus::TooLarge;

    std::ifstream in(path, std::ios::binary);
    if (!in)
        return ProfileStatus::Unreadable;
    std::vector<uint8_t> data(static_cast<size_t>(size));
    in.read(reinterpret_cast<char*>(data.data()), std::streamsize(data.size()));
    if (!in || in.gcount() != std::streamsize(data.size()))
        return ProfileStatus::Unreadable;
    bytes = std::move(data);
    return ProfileStatus::Accepted;
}

std::string ProfileRefusalText(ProfileStatus status, const std::string& path)
{
    switch (status) {
    case ProfileStatus::TooShort: return FormatString(IDS_PROFILE_TOO_SHORT, {path});
    case ProfileStatus::TooLarge: return FormatString(IDS_PROFILE_TOO_LARGE, {path});
    case ProfileStatus::Invalid: return FormatString(IDS_PROFILE_INVALID, {path});
    case ProfileStatus::Damaged: return FormatString(IDS_PROFILE_DAMAGED, {path});
    case ProfileStatus::NotRgb:
        return HasString(kOnlyRgbProfileMessageId) ? LoadString(kOnlyRgbProfileMessageId)
                                                   : std::string(kOnlyRgbProfileText);
    case ProfileStatus::Accepted:
    case ProfileStatus::NotFound:
    case ProfileStatus::Unreadable:
        break;
    }
    return {};
}

bool ReportProfileRefusal(ProfileStatus status, const std::string& path)
{
    const std::string text = ProfileRefusalText(status, path);
    if (text.empty())
        return false;
    ShowMessage(text, MB_OK | MB_ICONEXCLAMATION);
    return true;
}

// --- IccProfileTable ----------------------------------------------------------

IccProfileTable::IccProfileTable()
    : emptyUser(std::make_shared<const std::vector<uint8_t>>()), user(emptyUser)
{
    for (int i = 0; i < kBuiltInIccProfileCount; ++i) {
        const BuiltInIccProfile& p = kBuiltInIccProfiles[i];
        builtIn[size_t(i)] = std::make_shared<const std::vector<uint8_t>>(p.data, p.data + p.size);
    }
}

IccBytes IccProfileTable::Slot(int icc) const
{
    if (icc == kUserIccSlot) {
        std::lock_guard lock(mutex);
        return user;
    }
    return builtIn[icc >= 0 && icc < kUserIccSlot ? size_t(icc) : 0];
}

IccBytes IccProfileTable::SlotOrSrgb(int icc) const
{
    IccBytes bytes = Slot(icc);
    return bytes->empty() ? builtIn[0] : bytes;
}

bool IccProfileTable::HasUserProfile() const
{
    std::lock_guard lock(mutex);
    return !user->empty();
}

ProfileStatus IccProfileTable::SetUserProfile(std::vector<uint8_t> bytes)
{
    const ProfileStatus status = CheckRgbProfile(bytes.data(), bytes.size());
    if (status != ProfileStatus::Accepted)
        return status;
    IccBytes accepted = std::make_shared<const std::vector<uint8_t>>(std::move(bytes));
    std::lock_guard lock(mutex);
    user = std::move(accepted);
    return status;
}

void IccProfileTable::ClearUserProfile()
{
    std::lock_guard lock(mutex);
    user = emptyUser;
}

// --- DisplayTransform ---------------------------------------------------------

DisplayTransform::~DisplayTransform()
{
    if (handle != nullptr)
        cmsDeleteTransform(static_cast<cmsHTRANSFORM>(handle));
}

void DisplayTransform::Apply(const uint16_t* in, uint16_t* out, size_t pixelCount) const
{
    constexpr size_t kChunk = size_t(1) << 24;
    while (pixelCount > 0) {
        const size_t n = std::min(pixelCount, kChunk);
        cmsDoTransform(static_cast<cmsHTRANSFORM>(handle), in, out, cmsUInt32Number(n));
        in += 3 * n;
        out += 3 * n;
        pixelCount -= n;
    }
}

// --- ColorManager -------------------------------------------------------------

DisplayChoice ColorManager::GetDisplayChoice() const
{
    std::lock_guard lock(mutex);
    return displayChoice;
}

bool ColorManager::SetDisplayChoice(DisplayChoice choice)
{
    DisplayChoice checked;
    if (!DisplayChoiceFromCode(int(choice), &checked))
        return false;
    std::lock_guard lock(mutex);
    displayChoice = choice;
    cache = Cache{};
    return true;
}

ProfileStatus ColorManager::LoadDisplayProfile(const std::string& path)
{
    std::vector<uint8_t> bytes;
    const ProfileStatus status = ReadProfileFile(path, bytes);
    if (status != ProfileStatus::Accepted)
        return status;
    return SetDisplayProfile(std::move(bytes));
}

ProfileStatus ColorManager::SetDisplayProfile(std::vector<uint8_t> bytes)
{
    // A display profile must take three channels: anything else would make
    // the transform write more values per pixel than the pixel has.
    const ProfileStatus status = CheckRgbProfile(bytes.data(), bytes.size());
    if (status != ProfileStatus::Accepted)
        return status;
    IccBytes accepted = std::make_shared<const std::vector<uint8_t>>(std::move(bytes));
    std::lock_guard lock(mutex);
    displayProfile = std::move(accepted);
    cache = Cache{};
    return status;
}

IccBytes ColorManager::DisplayProfile() const
{
    std::lock_guard lock(mutex);
    return displayProfile;
}

ProfileStatus ColorManager::OpenUserProfile(const std::string& path)
{
    std::vector<uint8_t> bytes;
    ProfileStatus status = ReadProfileFile(path, bytes);
    if (status == ProfileStatus::Accepted)
        status = profiles.SetUserProfile(std::move(bytes));
    ReportProfileRefusal(status, path);
    return status;
}

IccBytes ColorManager::OutputProfileLocked() const
{
    const int code = int(displayChoice);
    if (code >= int(DisplayChoice::Srgb) && code <= int(DisplayChoice::WideGamutRgb))
        return profiles.Slot(code - int(DisplayChoice::Srgb));
    return displayProfile ? displayProfile : profiles.Slot(0);
}

std::shared_ptr<const DisplayTransform> ColorManager::Transform(int icc)
{
    std::lock_guard lock(mutex);
    if (displayChoice == DisplayChoice::GuiConverts)
        return nullptr;
    IccBytes input = profiles.SlotOrSrgb(icc);
    IccBytes output = OutputProfileLocked();
    if (cache.valid && cache.input == input && cache.output == output)
        return cache.transform;
    cache.valid = true;
    cache.transform = BuildTransform(input, output);
    cache.input = std::move(input);
    cache.output = std::move(output);
    if (!cache.transform)
        failureUnreported = true;
    return cache.transform;
}

void ColorManager::DropTransform()
{
    std::lock_guard lock(mutex);
    cache = Cache{};
}

const uint16_t* ColorManager::TransformPixel(int icc, const uint16_t in[3], uint16_t out[3])
{
    const std::shared_ptr<const DisplayTransform> transform = Transform(icc);
    if (!transform)
        return in;
    transform->Apply(in, out, 1);
    return out;
}

bool ColorManager::ConversionFailed() const
{
    std::lock_guard lock(mutex);
    return displayChoice != DisplayChoice::GuiConverts && cache.valid && !cache.transform;
}

bool ColorManager::ReportFallbackOnce()
{
    {
        std::lock_guard lock(mutex);
        if (!failureUnreported)
            return false;
        failureUnreported = false;
    }
    ShowMessage(LoadString(IDS_COLOR_FALLBACK), MB_OK | MB_ICONEXCLAMATION);
    return true;
}

} // namespace velmo
