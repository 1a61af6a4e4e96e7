#include "params/DevParams.h"

namespace velmo {

const char* ParamValueName(int& cameraFamily)
{
    switch (cameraFamily) {
    case 1: return "ParamS2";
    case 2: return "ParamF7";
    case 3: return "Param00";
    case 4: return "ParamS20";
    case 5: return "ParamE5";
    case 6: return "ParamS55";
    case 7: return "ParamS3";
    case 9: return "ParamS9";
    case 0: return "Param";
    default:
        cameraFamily = 0;
        return "Param";
    }
}

} // namespace velmo
