# The editor shell, the platform layer and the executable.
