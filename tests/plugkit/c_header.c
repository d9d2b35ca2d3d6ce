/* Compiled as C11: the plug-in headers are usable from a plug-in written in C. */
#include "plugkit.h"

int plugkitCHeaderTypeSize(void) {
    KxVar v;
    PluginProperty p;
    piInitVar(&v, KXVAR_INT);
    p.size = PLUGIN_PROPERTY_SIZE;
    return (int)(sizeof v + sizeof p + sizeof(PluginHostBlock) + sizeof(PluginCallRecord));
}

int plugkitCHeaderCallsHost(void) {
    float p[3] = {1.0f, 2.0f, 3.0f};
    return piSetObjectPropPnt(4, "Translate", p);
}
