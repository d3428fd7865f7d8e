// Placeholders until the record-file core lands; every call fails.
#include "kvb.h"

extern "C" {
int16_t KVBinit(int16_t) { return 1; }
int16_t KVBopen(const char*, const char*, const char*, int16_t, int16_t, int16_t) { return 99; }
int16_t KVBmake(const char*, const char*, const char*, int16_t, int16_t, int16_t) { return 99; }
int16_t KVBclose(int16_t) { return 99; }
int16_t KVBcloseall(int16_t) { return 99; }
int16_t KVBhost(int16_t, const char*) { return 99; }
void KVBautosecure(int16_t) {}
int16_t KVBerr(int16_t) { return 99; }
int16_t KVBposn(int16_t, const char*, int16_t, const char*, int16_t) { return 99; }
int16_t KVBread(int16_t, int16_t) { return 99; }
int16_t KVBrclear(int16_t) { return 99; }
int16_t KVBcopy(int16_t, int16_t) { return 99; }
int16_t KVBrlock(int16_t) { return 99; }
int16_t KVBwrite(int16_t, int16_t, int16_t) { return 99; }
int16_t KVBput(const char*, int16_t, int16_t) { return 99; }
int16_t KVBget(char*, int16_t, int16_t*) { return 99; }
int16_t KVBfput(const char*, const char*, int16_t, int16_t, int16_t) { return 99; }
const char* KVBfiditemstub(const char*, int16_t, int16_t) { return ""; }
int16_t KVBfileexists(const char*) { return 0; }
}
