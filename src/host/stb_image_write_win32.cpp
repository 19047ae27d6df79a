// The PNG writer's implementation for the Windows build, which links no stb
// library: the header carries it.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
