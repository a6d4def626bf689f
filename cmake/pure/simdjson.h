// Stands in for a library header in the assessment code: assessment takes plain values and reads
// neither JSON nor the network, so including this library there fails to compile.
#error "assess/ is pure: no JSON or HTTPS library here"
