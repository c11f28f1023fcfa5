// The renderer as the platform object sees it: the platform's renderer seam, made by the factory
// that InstallRendererService registers together with the texture asset loaders.
#pragma once

// The program calls this once before the platform object is built.
void InstallRendererService();
