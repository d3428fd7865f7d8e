// Placeholders until number editing and chained start land.
#include "kvb.h"

extern "C" {
const char* KVBroundstub(const char*, int16_t) { return ""; }
const char* KVBedit(const char*, const char*, char*) { return ""; }
const char* KVBunedit(const char*) { return ""; }
const char* KVBpicture(const char*, const char*, int32_t*) { return ""; }
const char* KVBljust(const char*, const char*) { return ""; }
const char* KVBcenter(const char*, const char*) { return ""; }
const char* KVBrjust(const char*, const char*) { return ""; }
const char* KVBdateform(const char*) { return ""; }
int16_t KVBdataput(int16_t, int16_t, const char*) { return 99; }
const char* KVBdataget(int16_t, int16_t) { return ""; }
void KVBgetfiles(int16_t, char*) {}
void KVBdatafree(int16_t) {}
}
