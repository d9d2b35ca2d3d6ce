/* The flat renderer's way into the image library's current image; kept apart
   because the image library and the plug-in tools both declare ErrorMessage,
   AddExt and AddNewExt. */
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

/* A new current image of that size; 1 on success. */
int renderImageBegin(int width, int height);
/* One row of blue, green, red bytes; row 0 is the top. */
int renderImageRow(int row, const unsigned char* bgr, int width);
/* The rows become visible on the image's surface. */
void renderImageEnd(void);

#ifdef __cplusplus
}
#endif
