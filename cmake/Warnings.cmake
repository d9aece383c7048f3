# One warning set for every target of ours.
function(calorvin_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wformat=2 -Wold-style-cast
    -Woverloaded-virtual -Wnon-virtual-dtor -Wshadow)
endfunction()
