/* The C interface of a USB I2C/IO adapter library as Tarvos loads it at run time.
 *
 * A library given with --adapters PATH must export these eight functions: cdecl, but
 * __stdcall on 32-bit Windows (the library's standard calling convention), where they may
 * be exported plainly or decorated ("_DAPI_ReadI2c@8").
 * Handles are positive; 0 means "no device" throughout the program. */
#ifndef TARVOS_USBI2CIO_H
#define TARVOS_USBI2CIO_H

#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define DAPI_CALL __stdcall
#else
#define DAPI_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

#pragma pack(push, 1)
/* 71 bytes, little-endian, handed to DAPI_WriteI2c and DAPI_ReadI2c. */
typedef struct {
  uint8_t TransType;      /* 0 */
  uint8_t SlaveAddress;   /* 0x9A for both units */
  uint16_t MemoryAddress; /* 0 */
  uint16_t Count;         /* bytes to write, or bytes asked for on a read */
  uint8_t Data[65];
} I2cTransfer;
#pragma pack(pop)

/* >0 handle; <0 no device at that instance. */
int32_t DAPI_CALL DAPI_OpenDeviceInstance(const char *device_name, uint8_t instance);
int32_t DAPI_CALL DAPI_CloseDeviceInstance(int32_t handle);
/* buffer: 129 bytes, zeroed by the caller; !=0 ok. The serial number need not be
 * terminated when it fills the buffer. */
int32_t DAPI_CALL DAPI_GetSerialId(int32_t handle, char *buffer);
int32_t DAPI_CALL DAPI_ConfigIoPorts(int32_t handle, uint32_t config);              /* !=0 ok */
int32_t DAPI_CALL DAPI_ReadIoPorts(int32_t handle, uint32_t *value);                /* !=0 ok */
int32_t DAPI_CALL DAPI_WriteIoPorts(int32_t handle, uint32_t value, uint32_t mask); /* !=0 ok */
int32_t DAPI_CALL DAPI_WriteI2c(int32_t handle, I2cTransfer *transfer);             /* bytes written */
int32_t DAPI_CALL DAPI_ReadI2c(int32_t handle, I2cTransfer *transfer);              /* bytes read */

#ifdef __cplusplus
}
#endif

#endif /* TARVOS_USBI2CIO_H */
