# Filled with the artwork's resource list.
