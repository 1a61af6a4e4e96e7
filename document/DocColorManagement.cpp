// The document's colour-management commands over its ColorManager.
#include "develop/colour/ColorManagement.h"
#include "document/VelmoDoc.h"

namespace velmo {

void CVelmoDoc::OnDisplayChoice(DisplayChoice choice)
{
    DisplayChoice checked;
    if (!DisplayChoiceFromCode(int(choice), &checked))
        return;
    // The worker's job holds its own transform; stopping it first keeps the
    // full preview from being built with the choice being replaced.
    StopWorker();
    colors->SetDisplayChoice(choice);
    DropFullPreview();
    ResumeWorker();
    OnParametersChanged();
}

bool CVelmoDoc::LoadOtherColorProfile()
{
    return !paths.displayProfile.empty() && colors->LoadDisplayProfile(paths.displayProfile) == ProfileStatus::Accepted;
}

bool CVelmoDoc::OpenDisplayProfile(const std::string& path)
{
    // Running developments hold their own transform; the new profile takes
    // effect with the next one.
    const ProfileStatus status = colors->LoadDisplayProfile(path);
    if (status != ProfileStatus::Accepted) {
        ReportProfileRefusal(status, path);
        return false;
    }
    paths.displayProfile = path;
    OnDisplayChoice(DisplayChoice::DisplayProfileFile);
    return true;
}

const uint16_t* CVelmoDoc::TransformPixel(const uint16_t in[3], uint16_t out[3])
{
    return colors->TransformPixel(edit.Params().ICC, in, out);
}

} // namespace velmo
