// Mesh library: placeholder translation unit until the first mesh sources land.
