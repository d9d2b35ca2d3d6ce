// Scene Created by the Kalvex 2.0
// Povray export filter 1.4

#include "colors.inc"
#include "textures.inc"
#include "shapes.inc"

// CAMERA POSITION
camera {
 right      < -1.33, 0, 0 > 
 up         < 0, 1, 0 > 
 direction  < 0, 0, 1 > 
 location   < 0, 4, 14 > 
 look_at    < 0, 0, 0 > 
}
// LIGHT sun
light_source { < -20, 35, 34 > 
color White
}


// PLANE floor
plane { <0, 1, 0>, 0
 texture { pigment { color White } }
 translate  < 0, -1, 0 > 
 }


// SPHERE Red ball
sphere {  < 0, 0, 0 > 1
 texture { pigment { color Red } }
 translate  < -4, 0, 0 > 
 }


