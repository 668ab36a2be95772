begin polygon_surface,3,3
position 0,0,0
position 1,0,0
position 0,1,0
element 0
element 1
element 2
tangent 1 0 0
tangent 1 0 0
tangent 1 0 0
binormal 0,1,0
binormal 0,1,0
binormal 0,1,0
normal 0,0,1
normal 0,0,1
normal 0,0,1
end
