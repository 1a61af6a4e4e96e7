// Makes the four built-in working-space profiles with LittleCMS and writes
// them as res/icc/*.icc plus res/IccProfiles.cpp, the same bytes as C++
// arrays for the engine. Run once after a change and check both in:
//
//     velmo-make-icc <repo>/res
//
// The three matrix profiles take their white and colorants exactly as the
// XYZ values below (colorants already adapted to D50, the media white
// unadapted, as ICC 2 display profiles store them). sRGB is derived from its
// standard primaries and white. All four are ICC 2.1 display ("mntr") RGB
// profiles with an XYZ connection space and the tags desc, cprt, wtpt, bkpt,
// rXYZ/gXYZ/bXYZ and rTRC/gTRC/bTRC; no chad tag (ICC 2 readers derive the
// adaptation from wtpt).
#include <lcms2.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Xyz {
    double x, y, z;
};

struct MatrixProfile {
    const char* fileName;   // under res/icc/
    const char* symbol;     // C++ array name
    const char* description;
    double gamma;           // single-gamma curve; 0 = the sRGB curve
    int renderingIntent;
    bool fromPrimaries;     // derive colorants from the sRGB primaries
    Xyz white, red, green, blue;
};

const MatrixProfile kProfiles[] = {
    {"sRGB.icc", "kSrgbProfile", "sRGB IEC61966-2.1", 0.0, 0, true, {}, {}, {}, {}},
    {"AdobeRGB1998.icc", "kAdobeRgbProfile", "Adobe RGB (1998)", 2.19921875, 0, false,
     {0.95045, 1.0, 1.08905}, {0.60974, 0.31111, 0.01947}, {0.20528, 0.62567, 0.06087},
     {0.14919, 0.06322, 0.74457}},
    {"FinePixRGB18.icc", "kFinePixRgbProfile", "FinePix RGB 1.8", 1.796875, 1, false,
     {0.95045, 1.0, 1.08905}, {0.60974, 0.31111, 0.01947}, {0.20528, 0.62567, 0.06087},
     {0.14919, 0.06322, 0.74457}},
    {"WideGamutRGB.icc", "kWideGamutRgbProfile", "Wide Gamut RGB", 2.19921875, 1, false,
     {0.96429, 1.0, 0.8251}, {0.71646, 0.25871, 0.0}, {0.101, 0.72472, 0.05121},
     {0.14674, 0.01657, 0.7737}},
};

const char kCopyright[] = "No copyright, use freely";

// The IEC 61966-2.1 curve as 1,024 table entries, like the standard profile.
cmsToneCurve* BuildSrgbCurve()
{
    std::vector<cmsUInt16Number> table(1024);
    for (size_t i = 0; i < table.size(); ++i) {
        const double v = double(i) / double(table.size() - 1);
        const double y = v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        table[i] = cmsUInt16Number(std::lround(y * 65535.0));
    }
    return cmsBuildTabulatedToneCurve16(nullptr, cmsUInt32Number(table.size()), table.data());
}

bool WriteText(cmsHPROFILE profile, cmsTagSignature sig, const char* text)
{
    cmsMLU* mlu = cmsMLUalloc(nullptr, 1);
    if (mlu == nullptr)
        return false;
    const bool ok = cmsMLUsetASCII(mlu, "en", "US", text) && cmsWriteTag(profile, sig, mlu);
    cmsMLUfree(mlu);
    return ok;
}

bool WriteXyz(cmsHPROFILE profile, cmsTagSignature sig, const Xyz& v)
{
    cmsCIEXYZ xyz{v.x, v.y, v.z};
    return cmsWriteTag(profile, sig, &xyz);
}

std::vector<uint8_t> BuildProfile(const MatrixProfile& p)
{
    cmsToneCurve* curve = p.gamma > 0 ? cmsBuildGamma(nullptr, p.gamma) : BuildSrgbCurve();
    if (curve == nullptr)
        return {};
    cmsToneCurve* curves[3] = {curve, curve, curve};

    cmsHPROFILE profile = nullptr;
    if (p.fromPrimaries) {
        const cmsCIExyY d65{0.3127, 0.3290, 1.0};
        const cmsCIExyYTRIPLE bt709{{0.64, 0.33, 1.0}, {0.30, 0.60, 1.0}, {0.15, 0.06, 1.0}};
        profile = cmsCreateRGBProfile(&d65, &bt709, curves);
    } else {
        // Curves only; the colorants and white are written as stated below.
        profile = cmsCreateRGBProfile(nullptr, nullptr, curves);
    }
    cmsFreeToneCurve(curve);
    if (profile == nullptr)
        return {};

    bool ok = true;
    cmsSetProfileVersion(profile, 2.1);
    cmsSetDeviceClass(profile, cmsSigDisplayClass);
    cmsSetColorSpace(profile, cmsSigRgbData);
    cmsSetPCS(profile, cmsSigXYZData);
    cmsSetHeaderRenderingIntent(profile, cmsUInt32Number(p.renderingIntent));
    ok = ok && WriteText(profile, cmsSigProfileDescriptionTag, p.description);
    ok = ok && WriteText(profile, cmsSigCopyrightTag, kCopyright);

    if (p.fromPrimaries) {
        // Keep the adapted colorants lcms computed; store the unadapted
        // D65 white in wtpt as ICC 2 does, and no chad.
        cmsCIEXYZ white;
        const cmsCIExyY d65{0.3127, 0.3290, 1.0};
        cmsxyY2XYZ(&white, &d65);
        ok = ok && WriteXyz(profile, cmsSigMediaWhitePointTag, {white.X, white.Y, white.Z});
        if (cmsIsTag(profile, cmsSigChromaticAdaptationTag))
            ok = ok && cmsWriteTag(profile, cmsSigChromaticAdaptationTag, nullptr);
    } else {
        ok = ok && WriteXyz(profile, cmsSigMediaWhitePointTag, p.white);
        ok = ok && WriteXyz(profile, cmsSigRedColorantTag, p.red);
        ok = ok && WriteXyz(profile, cmsSigGreenColorantTag, p.green);
        ok = ok && WriteXyz(profile, cmsSigBlueColorantTag, p.blue);
    }
    ok = ok && WriteXyz(profile, cmsSigMediaBlackPointTag, {0.0, 0.0, 0.0});

    std::vector<uint8_t> bytes;
    cmsUInt32Number size = 0;
    if (ok && cmsSaveProfileToMem(profile, nullptr, &size) && size >= 128) {
        bytes.resize(size);
        if (!cmsSaveProfileToMem(profile, bytes.data(), &size))
            bytes.clear();
        bytes.resize(size);
    }
    cmsCloseProfile(profile);

    // lcms stamps the header with the current time; a fixed date keeps the
    // generated files identical from run to run.
    if (bytes.size() >= 36) {
        const uint16_t date[6] = {2024, 1, 1, 0, 0, 0};
        for (int i = 0; i < 6; ++i) {
            bytes[24 + 2 * i] = uint8_t(date[i] >> 8);
            bytes[25 + 2 * i] = uint8_t(date[i] & 0xFF);
        }
    }
    return bytes;
}

bool WriteFile(const std::string& path, const std::string& data)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data.data(), std::streamsize(data.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "velmo-make-icc: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

std::string CppArray(const MatrixProfile& p, const std::vector<uint8_t>& bytes)
{
    std::string s = "// " + std::string(p.description) + ", " + std::to_string(bytes.size()) +
                    " bytes (icc/" + p.fileName + ")\n";
    s += "const uint8_t " + std::string(p.symbol) + "[" + std::to_string(bytes.size()) + "] = {";
    char hex[8];
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i % 16 == 0)
            s += "\n   ";
        std::snprintf(hex, sizeof hex, " 0x%02x,", bytes[i]);
        s += hex;
    }
    s += "\n};\n\n";
    return s;
}

} // namespace

int main(int argc, char** argv)
{
    constexpr char kUsage[] = "usage: velmo-make-icc RES_DIR\n";
    if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc != 2 || argv[1][0] == '-') {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const std::string resDir = argv[1];

    std::string source =
        "// Generated by velmo-make-icc (res/generator/MakeIccProfiles.cpp) from the\n"
        "// same data as icc/*.icc; do not edit by hand.\n"
        "#include \"res/IccProfiles.h\"\n\n"
        "namespace velmo {\n\nnamespace {\n\n";
    std::string table = "} // namespace\n\nconst BuiltInIccProfile kBuiltInIccProfiles[kBuiltInIccProfileCount] = {\n";

    for (const MatrixProfile& p : kProfiles) {
        const std::vector<uint8_t> bytes = BuildProfile(p);
        if (bytes.empty()) {
            std::fprintf(stderr, "velmo-make-icc: lcms could not build \"%s\"\n", p.description);
            return 1;
        }
        if (!WriteFile(resDir + "/icc/" + p.fileName,
                       std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size())))
            return 1;
        std::printf("%-20s %5zu bytes  icc/%s\n", p.description, bytes.size(), p.fileName);
        source += CppArray(p, bytes);
        table += "    {\"" + std::string(p.description) + "\", \"" + p.fileName + "\", " + p.symbol +
                 ", sizeof " + p.symbol + "},\n";
    }
    source += table + "};\n\n} // namespace velmo\n";
    return WriteFile(resDir + "/IccProfiles.cpp", source) ? 0 : 1;
}
