#include "PackwellHost.h"

PackwellHost::~PackwellHost() = default;

const PackwellHost &PackwellHost::application()
{
    class ApplicationHost final : public PackwellHost
    {
    public:
        bool userMode() const override { return true; }
    };
    static const ApplicationHost host;
    return host;
}
