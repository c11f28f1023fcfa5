/* The VexaAPI library's four exports, for the program that imports them. */
#ifndef VEXA_API_H
#define VEXA_API_H

#ifdef __cplusplus
extern "C" {
#endif

/* Starts the engine on a data folder (its "*.VEX" packs) and a window handle. */
void VexaInit(const char* dataFolder, void* window);
/* Plays a named event; then as many doubles as the event has parameters. "Pause" and
   "Unpause" stop and resume the output. */
void VexaEvent(const char* name, ...);
/* VexaEvent with one value. */
void VexaEvent_F(const char* name, float value);
/* Stops the engine and frees everything it made. */
void VexaShutdown(void);

#ifdef __cplusplus
}
#endif

#endif
